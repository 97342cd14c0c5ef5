// Build-time tool: renders the program's icon at the hicolor theme's usual sizes.
// Usage: tbt-render-icons SOURCE.png OUT_DIR NAME SIZE...
// Writes OUT_DIR/<size>x<size>/apps/NAME.png for every size, scaled smoothly from the
// one large picture the window itself uses, so the installed icons never drift from it.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: tbt-render-icons SOURCE.png OUT_DIR NAME SIZE...\n");
    return 2;
  }
  const QImage source(QString::fromLocal8Bit(argv[1]));
  if (source.isNull()) {
    std::fprintf(stderr, "tbt-render-icons: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  const QString name = QString::fromLocal8Bit(argv[3]);
  for (int i = 4; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || size > source.width() || size > source.height()) {
      std::fprintf(stderr, "tbt-render-icons: size %s is not between 1 and the source's\n",
                   argv[i]);
      return 2;
    }
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
    const QImage scaled = source.convertToFormat(QImage::Format_ARGB32)
                              .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!QDir().mkpath(folder) || !scaled.save(folder + "/" + name + ".png", "PNG")) {
      std::fprintf(stderr, "tbt-render-icons: cannot write the %dx%d icon\n", size, size);
      return 1;
    }
  }
  return 0;
}
