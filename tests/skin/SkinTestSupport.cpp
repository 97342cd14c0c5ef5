#include "SkinTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace tbt::skin::test {

namespace {

// One QApplication for the whole program, on the offscreen platform so that the
// tests need no display.
class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "test_skin";
    static char* argv[] = {name, nullptr};
    m_app = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete m_app;
    m_app = nullptr;
  }

 private:
  QApplication* m_app = nullptr;
};

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

TempImageModule::TempImageModule() {
  QDir(m_dir.path()).mkpath(QStringLiteral("img"));
  m_module.root = m_dir.path();
}

void TempImageModule::Add(unsigned id, const QImage& picture) {
  const QString path = m_dir.path() + QStringLiteral("/img/%1.png").arg(id);
  if (!picture.save(path, "PNG")) {
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

QRgb PixelAt(const QImage& image, int x, int y) {
  return image.pixel(x, y);
}

QImage Surface(int width, int height) {
  QImage surface(width, height, QImage::Format_ARGB32_Premultiplied);
  surface.fill(Qt::transparent);
  surface.setDotsPerMeterX(3780);
  surface.setDotsPerMeterY(3780);
  return surface;
}

}  // namespace tbt::skin::test
