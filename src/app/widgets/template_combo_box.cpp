#include "app/widgets/template_combo_box.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

#include "app/widgets/palette_colours.h"
#include "app/widgets/widget_helpers.h"

namespace quillon {

namespace {

constexpr int kTagGap = 10;
constexpr int kTagRole = Qt::UserRole;
constexpr int kTextPadding = 3;

// Name, then the tag 10 pixels further in red (made readable on `fill`), within `rect`.
void DrawEntry(QPainter& painter, const QRect& rect, const QString& name, const QString& tag, const QColor& nameColor,
               const QColor& fill) {
  painter.save();
  painter.setClipRect(rect);
  const QFontMetrics metrics(painter.font());
  const QRect text = rect.adjusted(kTextPadding, 0, -kTextPadding, 0);
  painter.setPen(nameColor);
  painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, name);
  const int tagLeft = text.left() + metrics.horizontalAdvance(name) + kTagGap;
  painter.setPen(LegibleOn(kMeaningRed, fill));
  painter.drawText(QRect(tagLeft, text.top(), std::max(0, text.right() - tagLeft + 1), text.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, tag);
  painter.restore();
}

}  // namespace

void TemplateItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  const QColor fill = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
  painter->fillRect(option.rect, fill);
  painter->setFont(option.font);
  DrawEntry(*painter, option.rect, index.data(Qt::DisplayRole).toString(), index.data(kTagRole).toString(),
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), fill);
}

QSize TemplateItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QFontMetrics metrics(option.font);
  const int width = 2 * kTextPadding + metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + kTagGap +
                    metrics.horizontalAdvance(index.data(kTagRole).toString());
  return {width, std::max(QStyledItemDelegate::sizeHint(option, index).height(), metrics.height() + 4)};
}

TemplateComboBox::TemplateComboBox(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new TemplateItemDelegate(this));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void TemplateComboBox::SetEntries(const std::vector<TemplateEntry>& entries) {
  clear();
  for (const TemplateEntry& entry : entries) {
    addItem(Text(entry.typeName));
    setItemData(count() - 1, Text(TemplateVersionTag(entry)), kTagRole);
  }
  setCurrentIndex(-1);
  updateGeometry();
}

QString TemplateComboBox::Tag(int index) const { return itemData(index, kTagRole).toString(); }

int TemplateComboBox::TagRoom() const {
  int room = 0;
  for (int i = 0; i < count(); ++i) room = std::max(room, kTagGap + fontMetrics().horizontalAdvance(Tag(i)));
  return room + 2 * kTextPadding;
}

QSize TemplateComboBox::sizeHint() const {
  const QSize hint = QComboBox::sizeHint();
  return {hint.width() + TagRoom(), hint.height()};
}

QSize TemplateComboBox::minimumSizeHint() const {
  const QSize hint = QComboBox::minimumSizeHint();
  return {hint.width() + TagRoom(), hint.height()};
}

void TemplateComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  if (currentIndex() < 0) return;
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  // The closed box shows its text on the button face, as the style draws it.
  const QColor nameColor = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
  DrawEntry(painter, field, currentText(), Tag(currentIndex()), nameColor, palette().color(QPalette::Button));
}

}  // namespace quillon
