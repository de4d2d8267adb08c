#include "app/widgets/coll_combo_box.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/widgets/coll_edit.h"
#include "app/widgets/palette_colours.h"
#include "text/numbers.h"
#include "variables/special/prm_list_type.h"

namespace quillon {

namespace {

constexpr int kPartGap = 10;

// Draws an entry as its space-separated parts, 10 pixels apart: the value in navy, then red,
// silver and the list's text colour; the part that equals the cell's text in bold. Parts after
// the fourth keep the text colour. Navy, red and silver are shifted as far as they must be to
// read on the list's background, light or dark.
class EntryDelegate : public QStyledItemDelegate {
 public:
  EntryDelegate(const QString& cellText, QObject* parent) : QStyledItemDelegate(parent), cellText_(cellText) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QColor fill = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor colours[] = {LegibleOn(QColor(0, 0, 128), fill), LegibleOn(kMeaningRed, fill),
                              LegibleOn(QColor(192, 192, 192), fill, kGraphicContrast), text};
    painter->save();
    painter->fillRect(option.rect, fill);
    const QStringList parts = index.data().toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int x = option.rect.left() + 2;
    for (int i = 0; i < parts.size(); ++i) {
      QFont font = option.font;
      font.setBold(parts[i] == cellText_);
      painter->setFont(font);
      painter->setPen(i == 0 && selected ? text : colours[std::min(i, 3)]);
      const QRect area(x, option.rect.top(), option.rect.right() - x + 1, option.rect.height());
      painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, parts[i]);
      x += QFontMetrics(font).horizontalAdvance(parts[i]) + kPartGap;
    }
    painter->restore();
  }

 private:
  QString cellText_;
};

}  // namespace

TCollComboBox::TCollComboBox(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("CollComboBox"));
  setFrame(false);
  StyleInPlaceEditor(this);
  hide();
  connect(this, &QComboBox::activated, this, &TCollComboBox::Chosen);
}

void TCollComboBox::Open(const QRect& geometry, TPrmList& variable, const std::string& cellText) {
  blockSignals(true);
  clear();
  values_.clear();
  const std::vector<std::string> texts = variable.ItemTexts();
  for (std::size_t i = 0; i < texts.size() && i < variable.Entries.size(); ++i) {
    addItem(QString::fromStdString(texts[i]));
    values_.push_back(variable.Entries[i].Value);
  }
  setMaxVisibleItems(std::max(1, count()));
  QAbstractItemDelegate* previous = view()->itemDelegate();
  view()->setItemDelegate(new EntryDelegate(QString::fromStdString(cellText), view()));
  if (previous != nullptr && previous->parent() == view()) previous->deleteLater();
  if (count() > 0) setCurrentIndex(static_cast<int>(variable.FindItem(cellText)));
  blockSignals(false);
  setGeometry(geometry);
  show();
  raise();
  setFocus();
}

void TCollComboBox::Chosen(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= values_.size()) return;
  hide();
  if (OnCommit) OnCommit("x" + HexDigits(values_[static_cast<std::size_t>(index)], 2) + "\n");
}

}  // namespace quillon
