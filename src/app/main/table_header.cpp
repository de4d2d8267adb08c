#include "main/table_header.h"

#include <QStandardItemModel>
#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

int Pixels(double width) { return std::max(0, static_cast<int>(std::lround(width))); }

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
  // The sections act on the parameter table, which is not in this window yet.
  setSectionsClickable(false);
  setFixedHeight(20);
}

void TableHeader::LayOut(double parameterGroup, double baseGroup) {
  const std::array<int, 4> widths = HeaderSectionWidths(parameterGroup, baseGroup, width());
  for (int i = 0; i < 4; ++i) resizeSection(i, widths[static_cast<std::size_t>(i)]);
}

}  // namespace quillon
