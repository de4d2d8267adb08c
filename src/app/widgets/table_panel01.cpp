#include "app/widgets/table_panel01.h"

#include <QEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QShowEvent>
#include <QWheelEvent>

#include "app/widgets/palette_colours.h"
#include "table/column_widths.h"

namespace quillon {

namespace {

// On a light desktop the table keeps its classic look: silver header rows, white cells, black
// text and lines. On a dark desktop a white block would glare in a dark window, so the header rows
// take the button face and the cells the base colour of the palette, with text made legible on
// them. The lime of the selected row is a mark of its own and stays, with black text, on both.
struct TableColours {
  QColor header;
  QColor headerText;
  QColor cell;
  QColor text;
  QColor line;
};

const QColor kSilver(192, 192, 192);
const QColor kLime(0, 255, 0);

TableColours TableColoursFor(const QPalette& palette) {
  if (!IsDarkPalette(palette)) return {kSilver, Qt::black, Qt::white, Qt::black, Qt::black};
  return {palette.color(QPalette::Button), TextOn(palette, QPalette::Button, QPalette::ButtonText),
          palette.color(QPalette::Base), TextOn(palette, QPalette::Base, QPalette::Text), GridLineColour(palette)};
}

// One notch of a common mouse wheel.
constexpr int kWheelNotch = 120;
// Left and right padding of text inside its cell.
constexpr int kTextPadding = 2;

QRect ToQRect(const TableRect& rect) { return {rect.left, rect.top, rect.width, rect.height}; }

int QtAlignment(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::Center:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case TextAlignment::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlignment::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// A cell's text: the palette's, or the red of a difference made readable on the cell's fill.
QColor CellTextColour(TextColor color, const QColor& text, const QColor& fill) {
  return color == TextColor::Red ? LegibleOn(kMeaningRed, fill) : LegibleOn(text, fill);
}

}  // namespace

TTablePanel01::TTablePanel01(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  // The image covers every pixel; there is no background for Qt to clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TTableItem& TTablePanel01::AddColumn(const std::string& caption, double width) {
  TTableItem& column = table_.AddColumn(caption, width);
  Repaint();
  return column;
}

void TTablePanel01::ClearInfoIntems() {
  table_.ClearInfoIntems();
  Repaint();
}

void TTablePanel01::SetPosition(int position) {
  table_.SetPosition(position);
  Repaint();
}

void TTablePanel01::SelectRow(int row) {
  table_.SelectRow(row);
  Repaint();
}

void TTablePanel01::SetColumnWidth(TTableItem& column, double width) {
  quillon::SetColumnWidth(column, width);
  Repaint();
}

void TTablePanel01::LayOutColumns() {
  table_.LayOut();
  Repaint();
}

void TTablePanel01::FitColumnsToWidth() {
  // Until the control is shown the first resize does it.
  if (!isVisible()) return;
  table_.FitToWidth(width());
  Repaint();
}

void TTablePanel01::SizeColumnsToContents(const std::function<ColumnNeed(const TTableItem&)>& need) {
  quillon::SizeColumnsToContents(table_, need, isVisible() ? width() : 0);
  Repaint();
}

bool TTablePanel01::ResizeColumn(TTableItem& column, double width) {
  const bool changed = table_.ResizeColumn(column, width);
  if (changed) Repaint();
  return changed;
}

bool TTablePanel01::CellRect(const TTableItem& cell, QRect& rect) const {
  TableRect found;
  if (!table_.CellRect(cell, height(), found)) return false;
  rect = ToQRect(found);
  return true;
}

void TTablePanel01::Repaint() {
  if (repaintPending_) return;
  repaintPending_ = true;
  // Queued with the table as context: dropped if the table goes away first.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (repaintPending_) PaintNow();
      },
      Qt::QueuedConnection);
}

void TTablePanel01::PaintNow() {
  repaintPending_ = false;
  if (OnBeginPaint) OnBeginPaint();
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  if (image_.size() != pixels) {
    image_ = QImage(pixels, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
  }
  table_.LayOut();
  if (!image_.isNull()) {
    QPainter painter(&image_);
    painter.fillRect(rect(), palette().brush(QPalette::Base));
    painter.setFont(font());
    const RowRange rows = table_.VisibleRows(height());
    for (const auto& column : table_.Columns()) DrawColumn(painter, *column, rows);
  }
  update();
  if (OnEndPaint) OnEndPaint();
}

void TTablePanel01::DrawColumn(QPainter& painter, TTableItem& column, const RowRange& rows) {
  const QRect header = ToQRect(table_.HeaderRect(column));
  // The header rows are the table's buttons: they wear the button face of the desktop.
  const TableColours colours = TableColoursFor(palette());
  painter.fillRect(header, colours.header);
  painter.setPen(colours.headerText);
  painter.drawText(header.adjusted(kTextPadding, 0, -kTextPadding, 0), QtAlignment(column.Alignment),
                   QString::fromStdString(column.Caption()));
  painter.drawLine(header.left(), header.bottom(), header.right(), header.bottom());
  if (OnPaintItem) OnPaintItem(column, painter, header);

  if (column.HasSubColumns()) {
    for (const auto& child : column.Items()) DrawColumn(painter, *child, rows);
  } else {
    for (int row = rows.first; row < rows.end; ++row) {
      TTableItem* cell = column.Cell(row);
      if (cell == nullptr) break;
      const QRect rect(column.Left, table_.HeaderHeight() + (row - rows.first) * kCellHeight,
                       column.Right - column.Left, kCellHeight);
      DrawCell(painter, *cell, rect);
    }
  }
  // The separator runs down through the cells for a column that holds them.
  painter.setPen(colours.line);
  const int bottom = column.HasSubColumns() ? header.bottom() : height() - 1;
  painter.drawLine(header.right(), header.top(), header.right(), bottom);
}

void TTablePanel01::DrawCell(QPainter& painter, TTableItem& cell, const QRect& rect) {
  cell.RefreshCaption();
  cell.Left = rect.left();
  cell.Right = rect.left() + rect.width();
  cell.Top = rect.top();
  cell.Width = rect.width();
  const TableColours colours = TableColoursFor(palette());
  const QColor fill = cell.Selected ? kLime : colours.cell;
  painter.fillRect(rect, fill);
  painter.setPen(CellTextColour(cell.Color, cell.Selected ? QColor(Qt::black) : colours.text, fill));
  painter.drawText(rect.adjusted(kTextPadding, 0, -kTextPadding, 0), QtAlignment(cell.Alignment),
                   QString::fromStdString(cell.Caption()));
  painter.setPen(colours.text);
  if (OnPaintItem) OnPaintItem(cell, painter, rect);
}

void TTablePanel01::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (image_.isNull()) return;
  const qreal ratio = image_.devicePixelRatio();
  for (const QRect& exposed : event->region()) {
    const QRectF source(exposed.left() * ratio, exposed.top() * ratio, exposed.width() * ratio,
                        exposed.height() * ratio);
    painter.drawImage(QRectF(exposed), image_, source);
  }
}

void TTablePanel01::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // The image holds the colours of the palette it was drawn with.
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) Repaint();
}

void TTablePanel01::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  table_.FitToWidth(width());
  // Drawn at once: the window system shows the new size right after this event.
  PaintNow();
  if (OnResize) OnResize();
}

void TTablePanel01::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The resize that comes with the first showing arrives while the control still counts as
  // hidden, so the columns are fitted again now that they can be.
  table_.FitToWidth(width());
  PaintNow();
  if (OnResize) OnResize();
}

void TTablePanel01::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const QPoint point = event->position().toPoint();
  resizing_ = table_.ResizeTarget(point.x(), point.y());
  clickPending_ = resizing_ == nullptr;
  pressPoint_ = point;
}

void TTablePanel01::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (resizing_ != nullptr) {
    if (table_.ResizeColumn(*resizing_, point.x() - resizing_->Left)) {
      Repaint();
      if (OnResizeItems) OnResizeItems(*resizing_);
    }
    return;
  }
  if (table_.ResizeTarget(point.x(), point.y()) != nullptr) {
    setCursor(Qt::SplitHCursor);
  } else {
    unsetCursor();
  }
}

void TTablePanel01::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  if (resizing_ != nullptr) {
    resizing_ = nullptr;
    return;
  }
  if (!clickPending_) return;
  clickPending_ = false;
  const TableHit hit = table_.HitTest(pressPoint_.x(), pressPoint_.y(), height());
  if (hit.item == nullptr) return;
  if (hit.item->IsColumn()) {
    if (OnClickHeader) OnClickHeader(*hit.item);
    return;
  }
  table_.SelectRow(hit.row);
  Repaint();
  if (OnClickItem) OnClickItem(*hit.item);
}

void TTablePanel01::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick();
}

void TTablePanel01::wheelEvent(QWheelEvent* event) {
  // Fine-grained wheels and touchpads send parts of a notch; whole notches move whole rows.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ %= kWheelNotch;
  event->accept();
  if (notches == 0) return;
  const int before = table_.Position();
  table_.ScrollBy(-notches);
  if (table_.Position() == before) return;
  Repaint();
  if (OnScroll) OnScroll(table_.Position());
}

}  // namespace quillon
