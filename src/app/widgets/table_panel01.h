#pragma once
// TTablePanel01: an owner-drawn table over a tree of TTableItem columns with a two-level (or
// deeper) header. It knows nothing of what its cells show; its owner fills the cells with text
// providers and payloads and listens to the events.
//
// The events are plain callbacks, not Qt signals: an owner assigns one handler per event, as
// the tables of the device windows are wired, and OnPaintItem hands out the painter in use.
// Text providers and OnPaintItem run while the tree is being walked: they must not add or
// remove cells (ClearInfoIntems belongs in OnBeginPaint at the latest, or outside painting).
//
// The table takes its colours from its palette (the header rows the button face, the cells the
// base and the selected row the highlight) and draws itself again when the palette changes.
// The whole table is drawn into an off-screen image; a window paint only copies the exposed
// part of that image, so the column tree is drawn once per Repaint however often the window
// system asks. Repaint calls made before the event loop runs again are drawn once.
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "table/content_widths.h"
#include "table/table_model.h"

class QPainter;

namespace quillon {

class TTablePanel01 : public QWidget {
  Q_OBJECT

 public:
  explicit TTablePanel01(QWidget* parent = nullptr);

  TTableItem& AddColumn(const std::string& caption, double width = kDefaultColumnWidth);
  const std::vector<std::unique_ptr<TTableItem>>& Columns() const { return table_.Columns(); }
  std::vector<TTableItem*> LeafColumns() const { return table_.LeafColumns(); }
  const TableModel& Model() const { return table_; }

  // Removes every cell and keeps the columns.
  void ClearInfoIntems();
  int RowCount() const { return table_.RowCount(); }
  // Rows that fit whole below the header.
  int VisibleRowCount() const { return table_.VisibleRowCapacity(height()); }

  int Position() const { return table_.Position(); }
  // The first visible row; values below 0 count as 0.
  void SetPosition(int position);

  int SelectedRow() const { return table_.SelectedRow(); }
  void SelectRow(int row);

  // Restoring stored widths: the column takes `width` (not below its minimum) and its
  // sub-columns keep their proportions; no neighbour absorbs the change. LayOutColumns after
  // the last one fits every group's sub-columns to it again.
  void SetColumnWidth(TTableItem& column, double width);
  void LayOutColumns();
  bool ResizeColumn(TTableItem& column, double width);
  // Scales the columns to the control's width, as a resize of the control does (once shown).
  void FitColumnsToWidth();
  // Sizes the columns to what they need within the control's width (content_widths.h). Until
  // the control is shown its width means nothing: the columns take what they need, and the
  // first resize shares the control's width in those proportions.
  void SizeColumnsToContents(const std::function<ColumnNeed(const TTableItem&)>& need);

  // Where a cell is painted while its row is visible.
  bool CellRect(const TTableItem& cell, QRect& rect) const;

  // Draws the table again once the current event is handled.
  void Repaint();
  // Draws the table into the off-screen image at once.
  void PaintNow();
  const QImage& Image() const { return image_; }

  std::function<void(TTableItem& cell)> OnClickItem;
  // A click on a column's header (an edge resizes the column instead).
  std::function<void(TTableItem& column)> OnClickHeader;
  std::function<void(TTableItem& column)> OnResizeItems;
  std::function<void()> OnBeginPaint;
  std::function<void()> OnEndPaint;
  std::function<void(TTableItem& item, QPainter& painter, const QRect& rect)> OnPaintItem;
  std::function<void()> OnDblClick;
  // Raised after the control was resized and its columns rescaled.
  std::function<void()> OnResize;
  // The mouse wheel moved the position; the owner's scroll bar follows.
  std::function<void(int position)> OnScroll;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void DrawColumn(QPainter& painter, TTableItem& column, const RowRange& rows);
  void DrawCell(QPainter& painter, TTableItem& cell, const QRect& rect);

  TableModel table_;
  QImage image_;
  bool repaintPending_ = false;
  TTableItem* resizing_ = nullptr;
  bool clickPending_ = false;
  QPoint pressPoint_;
  int wheelRemainder_ = 0;
};

}  // namespace quillon
