#pragma once
// The event tool's grids: rows of texts under a header, each column as wide as its widest text
// and a margin, the first column's cells filled with a colour of the row.
#include <QColor>
#include <functional>
#include <vector>

#include "events/buffer_files.h"

class QTableWidget;

namespace quillon {

void FillEventToolGrid(QTableWidget& grid, const GridRow& header, const std::vector<GridRow>& rows, int margin,
                       const std::function<QColor(std::size_t row)>& firstColumnColour);

// The fill of an event's class: alarm red, warning yellow, information green.
QColor EventClassColour(int eventClass);

}  // namespace quillon
