#include "SkinTestSupport.h"

#include <QDir>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace tbt::skin::test {

TempImageModule::TempImageModule(std::initializer_list<std::pair<unsigned, QImage>> pictures) {
  QDir(m_dir.path()).mkpath(QStringLiteral("img"));
  m_module.root = m_dir.path();
  for (const auto& [id, picture] : pictures) {
    Add(id, picture);
  }
}

void TempImageModule::Add(unsigned id, const QImage& picture) {
  if (!picture.save(m_dir.path() + QStringLiteral("/img/%1.png").arg(id), "PNG")) {
    ADD_FAILURE() << "could not save test image " << id;
  }
}

QImage Solid(int width, int height, QRgb argb) {
  QImage picture(width, height, QImage::Format_ARGB32);
  picture.fill(QColor::fromRgba(argb));
  return picture;
}

void RecordingHost::OnChildChanged(CSkinControl* pChild) {
  ++m_requests;
  if (onRequest) {
    onRequest(pChild);
  }
}

void Act(CImageButton& button, char act) {
  const QPoint inside(5, 5);
  const QPoint outside(-30, 50);
  using E = QEvent;
  const std::map<char, std::tuple<E::Type, QPoint, Qt::MouseButton>> mouseActs = {
      {'M', {E::MouseMove, inside, Qt::NoButton}},
      {'O', {E::MouseMove, outside, Qt::LeftButton}},
      {'P', {E::MouseButtonPress, inside, Qt::LeftButton}},
      {'R', {E::MouseButtonRelease, inside, Qt::LeftButton}},
      {'X', {E::MouseButtonRelease, outside, Qt::LeftButton}},
      {'D', {E::MouseButtonDblClick, inside, Qt::LeftButton}},
      {'p', {E::MouseButtonPress, inside, Qt::RightButton}},
      {'r', {E::MouseButtonRelease, inside, Qt::RightButton}}};
  if (const auto found = mouseActs.find(act); found != mouseActs.end()) {
    const auto& [type, at, held] = found->second;
    // A move carries the buttons held; a release no longer holds its button.
    QMouseEvent event(type, QPointF(at), QPointF(button.mapToGlobal(at)),
                      type == E::MouseMove ? Qt::NoButton : held,
                      type == E::MouseButtonRelease ? Qt::NoButton : held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
  } else if (act == 'E') {
    QEnterEvent event{QPointF(inside), QPointF(inside), QPointF(button.mapToGlobal(inside))};
    QApplication::sendEvent(&button, &event);
  } else if (act == 'L') {
    QEvent event(E::Leave);
    QApplication::sendEvent(&button, &event);
  } else if (act == 'S' || act == 'K') {
    QTest::keyClick(&button, act == 'S' ? Qt::Key_Space : Qt::Key_Return);
  } else if (act == '-' || act == '+') {
    button.EnableWindow(act == '+');
  } else {
    ADD_FAILURE() << "unknown act " << act;
  }
}

QRect PaintedBounds(const QImage& image) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) {
        bounds |= QRect(x, y, 1, 1);
      }
    }
  }
  return bounds;
}

QImage PaintOf(CSkinControl& control, int width, int height) {
  // A transparent 96-dpi premultiplied surface, as the dialog composes on.
  QImage surface(width, height, QImage::Format_ARGB32_Premultiplied);
  surface.fill(Qt::transparent);
  surface.setDotsPerMeterX(3780);
  surface.setDotsPerMeterY(3780);
  QPainter painter(&surface);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  control.PaintSkin(painter);
  return surface;
}

}  // namespace tbt::skin::test
