#include "SkinTestSupport.h"

#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

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

void TempImageModule::AddRaw(unsigned id, const QByteArray& bytes) {
  QFile file(m_dir.path() + QStringLiteral("/img/%1.png").arg(id));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    ADD_FAILURE() << "could not write test file " << id;
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
  const struct {
    char act;
    QEvent::Type type;
    QPoint at;
    Qt::MouseButton button;
  } mouseActs[] = {
      {'M', QEvent::MouseMove, inside, Qt::NoButton},
      {'O', QEvent::MouseMove, outside, Qt::LeftButton},
      {'P', QEvent::MouseButtonPress, inside, Qt::LeftButton},
      {'R', QEvent::MouseButtonRelease, inside, Qt::LeftButton},
      {'X', QEvent::MouseButtonRelease, outside, Qt::LeftButton},
      {'D', QEvent::MouseButtonDblClick, inside, Qt::LeftButton},
      {'p', QEvent::MouseButtonPress, inside, Qt::RightButton},
      {'r', QEvent::MouseButtonRelease, inside, Qt::RightButton},
  };
  for (const auto& m : mouseActs) {
    if (m.act == act) {
      // A move carries the buttons held; a release no longer holds its button.
      QMouseEvent event(m.type, QPointF(m.at), QPointF(button.mapToGlobal(m.at)),
                        m.type == QEvent::MouseMove ? Qt::NoButton : m.button,
                        m.type == QEvent::MouseButtonRelease ? Qt::NoButton : m.button,
                        Qt::NoModifier);
      QApplication::sendEvent(&button, &event);
      return;
    }
  }
  if (act == 'E') {
    QEnterEvent event{QPointF(inside), QPointF(inside), QPointF(button.mapToGlobal(inside))};
    QApplication::sendEvent(&button, &event);
  } else if (act == 'L') {
    QEvent event(QEvent::Leave);
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

QImage Surface(int width, int height) {
  QImage surface(width, height, QImage::Format_ARGB32_Premultiplied);
  surface.fill(Qt::transparent);
  surface.setDotsPerMeterX(3780);
  surface.setDotsPerMeterY(3780);
  return surface;
}

QImage PaintOf(CSkinControl& control, int width, int height) {
  QImage surface = Surface(width, height);
  QPainter painter(&surface);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  control.PaintSkin(painter);
  return surface;
}

}  // namespace tbt::skin::test
