#include "app/tools/brenn_ab_grids.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

#include "app/widgets/palette_colours.h"
#include "app/widgets/widget_helpers.h"

namespace quillon {

namespace {

constexpr int kTextInset = 2;

// Cell texts are drawn 2 pixels in from the cell's left and top edges, which is what the
// column widths leave room for; the first column keeps its fill when its row is selected, and
// its text is black or white, whichever reads on that fill.
class InsetDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QVariant fill = index.data(Qt::BackgroundRole);
    if (fill.isValid() && (index.column() == 0 || !selected)) {
      painter->fillRect(option.rect, fill.value<QBrush>());
    } else if (selected) {
      painter->fillRect(option.rect, option.palette.highlight());
    }
    painter->save();
    QColor text = option.palette.color(QPalette::Text);
    if (fill.isValid() && index.column() == 0) {
      text = ReadableTextOn(fill.value<QBrush>().color());
    } else if (selected) {
      text = option.palette.color(QPalette::HighlightedText);
    }
    painter->setPen(text);
    painter->drawText(option.rect.adjusted(kTextInset, kTextInset, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }
};

}  // namespace

QColor EventClassColour(int eventClass) {
  switch (eventClass) {
    case kEventWarning:
      return Qt::yellow;
    case kEventInformation:
      return Qt::green;
    default:
      return Qt::red;
  }
}

void FillEventToolGrid(QTableWidget& grid, const GridRow& header, const std::vector<GridRow>& rows, int margin,
                       const std::function<QColor(std::size_t row)>& firstColumnColour) {
  if (dynamic_cast<InsetDelegate*>(grid.itemDelegate()) == nullptr) grid.setItemDelegate(new InsetDelegate(&grid));
  grid.clear();
  grid.setColumnCount(static_cast<int>(header.size()));
  grid.setRowCount(static_cast<int>(rows.size()));
  QStringList labels;
  for (const std::string& text : header) labels << Text(text);
  grid.setHorizontalHeaderLabels(labels);
  const QFontMetrics metrics(grid.font());
  const QFontMetrics headerMetrics(grid.horizontalHeader()->font());
  std::vector<int> widths(header.size());
  for (std::size_t column = 0; column < header.size(); ++column) {
    widths[column] = headerMetrics.horizontalAdvance(labels[static_cast<int>(column)]);
  }
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (std::size_t column = 0; column < header.size() && column < rows[row].size(); ++column) {
      const QString text = Text(rows[row][column]);
      auto* item = new QTableWidgetItem(text);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      if (column == 0) item->setBackground(firstColumnColour(row));
      grid.setItem(static_cast<int>(row), static_cast<int>(column), item);
      widths[column] = std::max(widths[column], metrics.horizontalAdvance(text));
    }
  }
  for (std::size_t column = 0; column < widths.size(); ++column) {
    grid.setColumnWidth(static_cast<int>(column), widths[column] + margin);
  }
}

}  // namespace quillon
