#include "app/widgets/scope_panel.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "app/widgets/qt_canvas.h"
#include "variables/view_list.h"

namespace quillon {

ScopePanel::ScopePanel(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  // Every pixel comes from the image: Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(1, 1);
}

void ScopePanel::Render(TViewList& list, std::optional<int> guideX) {
  const QSize wanted = size().expandedTo(QSize(1, 1));
  if (bitmap_.size() != wanted) bitmap_ = QImage(wanted, QImage::Format_RGB32);
  {
    QtCanvas canvas(bitmap_);
    list.Paint(canvas);
    if (guideX) {
      canvas.ClearClip();
      canvas.SetPen(kBlack, 1);
      canvas.Line(*guideX, 0, *guideX, canvas.Height());
    }
  }
  update();
}

void ScopePanel::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (bitmap_.isNull()) {
    painter.fillRect(event->rect(), Qt::white);
    return;
  }
  for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), bitmap_, rect);
}

void ScopePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (OnResized) OnResized();
}

void ScopePanel::mousePressEvent(QMouseEvent* event) {
  if (OnMousePress) OnMousePress(event);
}

void ScopePanel::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(event);
}

void ScopePanel::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseRelease) OnMouseRelease(event);
}

void ScopePanel::mouseDoubleClickEvent(QMouseEvent* event) {
  // Qt turns the second press of a quick pair into this event; the window counts it as a press
  // too (a zoom step, a ruler), then as the double click.
  if (OnMousePress) OnMousePress(event);
  if (OnDoubleClick) OnDoubleClick(event);
}

void ScopePanel::contextMenuEvent(QContextMenuEvent* event) {
  if (OnContextMenu) OnContextMenu(event->pos());
}

}  // namespace quillon
