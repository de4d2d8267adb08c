#include "app/main/table_header.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStandardItemModel>
#include <algorithm>
#include <cmath>

#include "app/widgets/palette_colours.h"

namespace quillon {

namespace {

int Pixels(double width) { return std::max(0, static_cast<int>(std::lround(width))); }

constexpr int kPictureLeftGap = 4;
constexpr int kPictureRightGap = 20;
constexpr int kPictureTop = 2;
constexpr int kNarrowSection = 21;
// Free space between a caption and a picture or the section's edge.
constexpr int kCaptionMargin = 6;

}  // namespace

std::array<int, 4> HeaderSectionWidths(double parameterGroup, double baseGroup, int total) {
  const int parameter = Pixels(parameterGroup);
  const int base = Pixels(baseGroup);
  const int controller = std::max(0, total - parameter - base);
  return {parameter, base, controller / 2, controller - controller / 2};
}

TableHeader::TableHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setObjectName(QStringLiteral("Header"));
  sections_ = new QStandardItemModel(0, 4, this);
  sections_->setHorizontalHeaderLabels(
      {QStringLiteral("Параметр"), QStringLiteral("База"), QStringLiteral("Контроллер"), QStringLiteral("Обновить")});
  setModel(sections_);
  setSectionResizeMode(QHeaderView::Fixed);
  setStretchLastSection(false);
  setMinimumSectionSize(0);
  setDefaultAlignment(Qt::AlignCenter);
  setSectionsClickable(true);
  setHighlightSections(false);
  setFixedHeight(20);
  FollowPalette(this, [this] { FollowColours(); });
}

void TableHeader::FollowColours() {
  // The style draws the captions in the button text colour; a theme whose pair reads badly gets
  // a legible one. The pictures are drawn for the face they sit on.
  const QPalette inherited = QApplication::palette(this);
  QPalette colours = palette();
  colours.setColor(QPalette::ButtonText, TextOn(inherited, QPalette::Button, QPalette::ButtonText));
  if (colours != palette()) setPalette(colours);
  pictures_ = DrawHeaderPictures(colours.color(QPalette::Button), colours.color(QPalette::ButtonText));
  viewport()->update();
}

void TableHeader::LayOut(double parameterGroup, double baseGroup) {
  parameterGroup_ = parameterGroup;
  baseGroup_ = baseGroup;
  const std::array<int, 4> widths = HeaderSectionWidths(parameterGroup, baseGroup, width());
  for (int i = 0; i < 4; ++i) resizeSection(i, widths[static_cast<std::size_t>(i)]);
}

void TableHeader::resizeEvent(QResizeEvent* event) {
  QHeaderView::resizeEvent(event);
  LayOut(parameterGroup_, baseGroup_);
}

std::array<double, 3> TableHeader::GroupMinimums() const {
  const QFontMetrics metrics = fontMetrics();
  // A centred caption keeps the same space on both sides as the picture takes on its side.
  const auto section = [this, &metrics](int index, int pictureSide) {
    const QString caption = sections_->headerData(index, Qt::Horizontal).toString();
    return metrics.horizontalAdvance(caption) + 2.0 * (pictureSide + kCaptionMargin);
  };
  return {section(kParameterSection, 0), section(kBaseSection, kPictureLeftGap + pictures_.toPLC.width()),
          2 * std::max(section(kControllerSection, kPictureRightGap),
                       section(kRefreshSection, kPictureLeftGap + pictures_.refresh.width()))};
}

void TableHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  QHeaderView::paintSection(painter, rect, logicalIndex);
  const QPixmap* picture = nullptr;
  int x = rect.left() + kPictureLeftGap;
  switch (logicalIndex) {
    case kBaseSection:
      picture = &pictures_.toPLC;
      break;
    case kRefreshSection:
      picture = &pictures_.refresh;
      break;
    case kControllerSection:
      picture = &pictures_.toPC;
      x = rect.right() + 1 - kPictureRightGap;
      break;
    default:
      return;
  }
  // In a narrow section only the part of the picture that fits is shown.
  const int visible = rect.width() < kNarrowSection ? std::max(0, rect.right() + 1 - x) : picture->width();
  if (visible <= 0 || x < rect.left()) return;
  painter->save();
  painter->setClipRect(rect);
  painter->drawPixmap(QPoint(x, rect.top() + kPictureTop), *picture, QRect(0, 0, visible, picture->height()));
  painter->restore();
}

}  // namespace quillon
