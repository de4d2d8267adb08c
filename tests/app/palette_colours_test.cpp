// The desktop's colours, light or dark: the contrast arithmetic, and the main window's parameter
// table, its header and its identity strip drawn from the application palette, readable on it,
// and drawn again when the palette changes while the program runs.
#include "app/widgets/palette_colours.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <map>

#include "app/main/table_header.h"
#include "app/tools/brenn_ab_grids.h"
#include "device_link_fixture.h"
#include "events/descriptions.h"
#include "text/contrast.h"

namespace quillon::testing {
namespace {

constexpr Rgb kBlackRgb{0, 0, 0};
constexpr Rgb kWhiteRgb{255, 255, 255};

TEST(ContrastTest, LuminanceAndRatiosOfKnownPairs) {
  EXPECT_DOUBLE_EQ(RelativeLuminance(kBlackRgb), 0.0);
  EXPECT_DOUBLE_EQ(RelativeLuminance(kWhiteRgb), 1.0);
  EXPECT_NEAR(RelativeLuminance(Rgb{128, 128, 128}), 0.2159, 1e-4);
  EXPECT_NEAR(RelativeLuminance(Rgb{255, 0, 0}), 0.2126, 1e-4);

  EXPECT_DOUBLE_EQ(ContrastRatio(kWhiteRgb, kBlackRgb), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kBlackRgb, kWhiteRgb), 21.0) << "the order does not matter";
  EXPECT_DOUBLE_EQ(ContrastRatio(Rgb{90, 40, 200}, Rgb{90, 40, 200}), 1.0);
  EXPECT_NEAR(ContrastRatio(Rgb{0x77, 0x77, 0x77}, kWhiteRgb), 4.48, 0.01) << "the grey just short of 4.5";
  EXPECT_NEAR(ContrastRatio(Rgb{255, 0, 0}, kWhiteRgb), 4.00, 0.01);
  EXPECT_NEAR(ContrastRatio(Rgb{0, 0, 255}, kWhiteRgb), 8.59, 0.01);
  EXPECT_NEAR(ContrastRatio(Rgb{255, 255, 0}, kBlackRgb), 19.56, 0.01);
}

TEST(ContrastTest, ReadableTextIsBlackOnLightAndWhiteOnDark) {
  EXPECT_EQ(ReadableTextOn(Rgb{255, 255, 0}), kBlackRgb);
  EXPECT_EQ(ReadableTextOn(Rgb{0, 255, 0}), kBlackRgb);
  EXPECT_EQ(ReadableTextOn(Rgb{200, 200, 200}), kBlackRgb);
  EXPECT_EQ(ReadableTextOn(Rgb{0, 0, 128}), kWhiteRgb);
  EXPECT_EQ(ReadableTextOn(Rgb{192, 48, 48}), kWhiteRgb);
  EXPECT_EQ(ReadableTextOn(Rgb{30, 30, 30}), kWhiteRgb);
  // Either side of the grey where black and white read equally well.
  EXPECT_EQ(ReadableTextOn(Rgb{119, 119, 119}), kBlackRgb);
  EXPECT_EQ(ReadableTextOn(Rgb{115, 115, 115}), kWhiteRgb);
}

TEST(ContrastTest, LegibleColoursMoveOnlyAsFarAsNeeded) {
  const Rgb navy{0, 0, 128};
  EXPECT_EQ(LegibleOn(navy, kWhiteRgb), navy) << "already readable";

  // Red on white (4:1) is darkened, and stays a pure red just past 4.5:1.
  const Rgb onWhite = LegibleOn(Rgb{255, 0, 0}, kWhiteRgb);
  EXPECT_GE(ContrastRatio(onWhite, kWhiteRgb), kTextContrast);
  EXPECT_LT(ContrastRatio(onWhite, kWhiteRgb), 4.6);
  EXPECT_EQ(onWhite.green, 0);
  EXPECT_EQ(onWhite.blue, 0);
  EXPECT_GT(onWhite.red, 200);

  // On a dark base it is lightened instead and stays redder than it is anything else.
  const Rgb base{30, 30, 30};
  const Rgb onDark = LegibleOn(Rgb{255, 0, 0}, base);
  EXPECT_GE(ContrastRatio(onDark, base), kTextContrast);
  EXPECT_LT(ContrastRatio(onDark, base), 4.6);
  EXPECT_EQ(onDark.red, 255);
  EXPECT_GT(onDark.red, onDark.green + 100);

  // A grey lighter than a mid-grey face heads for black: it must cross the face on its way.
  const Rgb face{150, 150, 150};
  const Rgb crossed = LegibleOn(Rgb{170, 170, 170}, face);
  EXPECT_LT(RelativeLuminance(crossed), RelativeLuminance(face));
  EXPECT_GE(ContrastRatio(crossed, face), kTextContrast);

  // What no colour reaches gives the best there is; graphics ask for less than text.
  EXPECT_EQ(LegibleOn(Rgb{200, 0, 0}, Rgb{119, 119, 119}, 15.0), kBlackRgb);
  const Rgb blue = LegibleOn(Rgb{0, 0, 160}, Rgb{60, 60, 60}, kGraphicContrast);
  EXPECT_GE(ContrastRatio(blue, Rgb{60, 60, 60}), kGraphicContrast);
  EXPECT_LT(ContrastRatio(blue, Rgb{60, 60, 60}), kTextContrast);
  EXPECT_GT(blue.blue, blue.red);
}

QPalette DarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(45, 45, 45));
  dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::AlternateBase, QColor(40, 40, 40));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  dark.setColor(QPalette::Button, QColor(60, 60, 60));
  dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  dark.setColor(QPalette::Mid, QColor(80, 80, 80));
  dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
  dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  dark.setColor(QPalette::ToolTipBase, QColor(50, 50, 50));
  return dark;
}

// A theme that pairs white button text with a light grey face, as some dark themes do for
// header sections.
QPalette BadlyPairedPalette() {
  QPalette palette = DarkPalette();
  palette.setColor(QPalette::Button, QColor(200, 200, 200));
  palette.setColor(QPalette::ButtonText, QColor(255, 255, 255));
  return palette;
}

// The colour most pixels of `rect` have: a cell's or a header's fill.
QColor Fill(const QImage& image, const QRect& rect) {
  std::map<QRgb, int> counts;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) ++counts[image.pixel(x, y)];
  }
  auto most = counts.begin();
  for (auto it = counts.begin(); it != counts.end(); ++it) {
    if (it->second > most->second) most = it;
  }
  return QColor::fromRgb(most->first);
}

// The opaque pixel of `rect` that stands out most from the fill: where the text is drawn at
// full strength.
QColor Ink(const QImage& image, const QRect& rect, const QColor& fill) {
  QColor ink = fill;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.alpha() == 255 && ContrastRatio(pixel, fill) > ContrastRatio(ink, fill)) ink = pixel;
    }
  }
  return ink;
}

class PaletteTableTest : public DeviceLinkTest {
 protected:
  void SetUp() override {
    original = QApplication::palette();
    DeviceLinkTest::SetUp();
  }
  void TearDown() override {
    window.reset();
    QApplication::setPalette(original);
  }

  void Start() {
    window = StartWithCatalogue();
    OpenDeviceInTree();
    panel = window->Table().Panel();
    header = window->findChild<TableHeader*>(QStringLiteral("Header"));
    ASSERT_NE(header, nullptr);
  }

  QRect CellRect(int row, int kind) {
    QRect rect;
    EXPECT_TRUE(panel->CellRect(Cell(row, kind), rect));
    // The separator on the right belongs to the column, not to the cell's fill.
    return rect.adjusted(0, 0, -2, -1);
  }

  // The parameter table's cells, its own header rows and the header above it under `palette`: on
  // a light one the table's classic white cells and silver header rows, on a dark one the
  // palette's base and button face; every text readable on its fill, the selection lime on both.
  void ExpectTableFollows(const QPalette& palette, bool dark) {
    panel->PaintNow();
    const QImage image = panel->Image();
    const QColor base = dark ? palette.color(QPalette::Base) : QColor(Qt::white);
    const QColor buttonFace = dark ? palette.color(QPalette::Button) : QColor(192, 192, 192);
    const QRect name = CellRect(0, 2);
    EXPECT_EQ(Fill(image, name), base);
    EXPECT_GE(ContrastRatio(Ink(image, name, base), base), kTextContrast);

    // A difference is red, readable on the base as well.
    Cell(0, kBaseHexKind).Color = TextColor::Red;
    panel->PaintNow();
    const QRect hex = CellRect(0, kBaseHexKind);
    const QColor red = Ink(panel->Image(), hex, base);
    EXPECT_GE(ContrastRatio(red, base), kTextContrast);
    EXPECT_GT(red.red(), red.green() + 80) << "still red";
    Cell(0, kBaseHexKind).Color = TextColor::Black;

    panel->SelectRow(1);
    panel->PaintNow();
    EXPECT_EQ(Fill(panel->Image(), CellRect(1, 2)), QColor(0, 255, 0));
    EXPECT_GE(ContrastRatio(Ink(panel->Image(), CellRect(1, 2), QColor(0, 255, 0)), QColor(0, 255, 0)), kTextContrast);

    for (const auto& group : panel->Columns()) {
      for (const TTableItem* column : {group.get(), group->Items().front().get()}) {
        const TableRect at = panel->Model().HeaderRect(*column);
        const QRect rect(at.left + 1, at.top + 1, at.width - 3, at.height - 3);
        const QColor face = Fill(panel->Image(), rect);
        EXPECT_EQ(face, buttonFace) << column->Caption();
        EXPECT_GE(ContrastRatio(Ink(panel->Image(), rect, face), face), kTextContrast) << column->Caption();
      }
    }

    // The header above: "Параметр" is a caption alone, centred in its section.
    EXPECT_GE(ContrastRatio(header->palette().color(QPalette::ButtonText), header->palette().color(QPalette::Button)),
              kTextContrast);
    const QImage above = header->grab().toImage();
    const int width = header->fontMetrics().horizontalAdvance(QStringLiteral("Параметр"));
    const int centre = header->sectionViewportPosition(0) + header->sectionSize(0) / 2;
    const QRect caption(centre - width / 2, 3, width, header->height() - 6);
    const QColor face = above.pixelColor(caption.left() - 4, header->height() / 2);
    EXPECT_GE(ContrastRatio(Ink(above, caption, face), face), kTextContrast);
    const QImage refresh = header->Pictures().refresh.toImage();
    const QColor drawn = Ink(refresh, refresh.rect(), palette.color(QPalette::Button));
    EXPECT_GE(ContrastRatio(drawn, palette.color(QPalette::Button)), kGraphicContrast);
  }

  QPalette original;
  TTablePanel01* panel = nullptr;
  TableHeader* header = nullptr;
};

TEST_F(PaletteTableTest, TheLightDefaultPalette) {
  Start();
  ExpectTableFollows(QApplication::palette(), false);
}

TEST_F(PaletteTableTest, ADarkPaletteLeavesNoWhiteBlock) {
  QApplication::setPalette(DarkPalette());
  Start();
  ExpectTableFollows(DarkPalette(), true);
  const QColor fill = Fill(panel->Image(), CellRect(2, 1));
  EXPECT_NE(fill, QColor(Qt::white));
  EXPECT_LT(RelativeLuminance(ToRgb(fill)), 0.1);
}

TEST_F(PaletteTableTest, WhiteButtonTextOnALightFaceIsMadeReadable) {
  QApplication::setPalette(BadlyPairedPalette());
  Start();
  ASSERT_LT(ContrastRatio(QColor(255, 255, 255), QColor(200, 200, 200)), 2.0);
  ExpectTableFollows(BadlyPairedPalette(), true);
}

TEST_F(PaletteTableTest, APaletteChangeWhileRunningRedrawsTheTable) {
  Start();
  panel->PaintNow();
  EXPECT_EQ(Fill(panel->Image(), CellRect(0, 2)), QColor(Qt::white));
  QApplication::setPalette(DarkPalette());
  // No explicit paint: the change itself must bring the new colours.
  ASSERT_TRUE(WaitUntil([&] { return Fill(panel->Image(), CellRect(0, 2)) == QColor(30, 30, 30); }));
  ExpectTableFollows(DarkPalette(), true);
  QApplication::setPalette(original);
  ASSERT_TRUE(WaitUntil([&] { return Fill(panel->Image(), CellRect(0, 2)) == QColor(Qt::white); }));
}

TEST_F(PaletteTableTest, IdentityStripAndStatusReadOnEitherPalette) {
  Start();
  for (const QPalette& palette : {original, DarkPalette(), BadlyPairedPalette()}) {
    QApplication::setPalette(palette);
    QApplication::processEvents();
    const QPalette strip = Child<QLineEdit>(*window, "edIDString")->palette();
    EXPECT_EQ(strip.color(QPalette::Base), palette.color(QPalette::Mid));
    EXPECT_GE(ContrastRatio(strip.color(QPalette::Text), strip.color(QPalette::Base)), kTextContrast);
    const QPalette status = Child<QLabel>(*window, "stStatus")->palette();
    EXPECT_GE(ContrastRatio(status.color(QPalette::WindowText), palette.color(QPalette::Window)), kTextContrast);
    EXPECT_GT(status.color(QPalette::WindowText).red(), status.color(QPalette::WindowText).green()) << "a red";
  }
}

TEST_F(PaletteTableTest, EventClassFillsCarryBlackOrWhiteText) {
  QApplication::setPalette(DarkPalette());
  QTableWidget grid;
  FillEventToolGrid(grid, {"Код", "Текст"}, {{"WWWW", "a"}, {"WWWW", "b"}, {"WWWW", "c"}}, 8,
                    [](std::size_t row) { return EventClassColour(static_cast<int>(row)); });
  grid.resize(300, 200);
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  const QImage image = grid.viewport()->grab().toImage();
  for (int row = 0; row < 3; ++row) {
    const QRect rect = grid.visualRect(grid.model()->index(row, 0)).adjusted(1, 1, -2, -2);
    const QColor fill = Fill(image, rect);
    EXPECT_EQ(fill, EventClassColour(row)) << row;
    EXPECT_GE(ContrastRatio(Ink(image, rect, fill), fill), kTextContrast) << row;
  }
}

}  // namespace
}  // namespace quillon::testing
