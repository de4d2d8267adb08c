// Renders the user guide (Markdown with pictures beside it) into the help document the Help
// button opens. Runs at build time with Qt's own PDF writer, so no other tool is needed.
//
//   quillon-helpgen GUIDE.md OUT.pdf
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>
#include <vector>

namespace {

// Pictures are screenshots at screen size: each is scaled down to the text width (never up), so
// a page holds it whole and its text stays legible. False when a picture is missing: the guide
// would show an empty frame where the engineer expects a window.
bool FitPicturesToWidth(QTextDocument& document, double textWidth) {
  bool allFound = true;
  struct Picture {
    int position;
    int length;
    QTextImageFormat format;
  };
  std::vector<Picture> pictures;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.isValid() && fragment.charFormat().isImageFormat()) {
        pictures.push_back({fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
      }
    }
  }
  for (Picture& picture : pictures) {
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(picture.format.name()));
    const QImage image = resource.value<QImage>();
    if (image.isNull()) {
      std::fprintf(stderr, "quillon-helpgen: picture %s not found\n", qPrintable(picture.format.name()));
      allFound = false;
      continue;
    }
    const double width = std::min<double>(image.width(), textWidth);
    picture.format.setWidth(width);
    picture.format.setHeight(width * image.height() / image.width());
    QTextCursor cursor(&document);
    cursor.setPosition(picture.position);
    cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
    cursor.setCharFormat(picture.format);
  }
  return allFound;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Needs no display: the build machine may have none.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: quillon-helpgen GUIDE.md OUT.pdf\n");
    return 2;
  }
  QFile guide(QString::fromLocal8Bit(argv[1]));
  if (!guide.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "quillon-helpgen: cannot read %s\n", argv[1]);
    return 1;
  }
  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setTitle(QStringLiteral("Quillon"));
  writer.setCreator(QStringLiteral("Quillon"));
  writer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));
  writer.setResolution(96);

  QTextDocument document;
  document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(guide).absolutePath() + QStringLiteral("/")));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(10);
  document.setDefaultFont(font);
  document.setMarkdown(QString::fromUtf8(guide.readAll()));
  const double textWidth = writer.pageLayout().paintRectPixels(writer.resolution()).width();
  document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
  if (!FitPicturesToWidth(document, textWidth - 2 * document.documentMargin())) return 1;
  document.print(&writer);
  return 0;
}
