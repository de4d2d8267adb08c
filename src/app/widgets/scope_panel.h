#pragma once
// The panel a scope window draws its rows on. A redraw paints the variable list into an
// off-screen image away from paintEvent; paintEvent only copies the invalid part of that image
// to the screen. Mouse events go to the window, which decides what they mean.
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

namespace quillon {

class TViewList;

class ScopePanel : public QWidget {
  Q_OBJECT

 public:
  explicit ScopePanel(QWidget* parent = nullptr);

  // Paints every row of `list` (and the guide line of a ruler being dragged) into the image and
  // asks for one screen update.
  void Render(TViewList& list, std::optional<int> guideX);
  const QImage& Bitmap() const { return bitmap_; }

  std::function<void(QMouseEvent*)> OnMousePress;
  std::function<void(QMouseEvent*)> OnMouseMove;
  std::function<void(QMouseEvent*)> OnMouseRelease;
  std::function<void(QMouseEvent*)> OnDoubleClick;
  std::function<void(const QPoint& position)> OnContextMenu;
  // After a change of size: the window lays its rows out again.
  std::function<void()> OnResized;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QImage bitmap_;
};

}  // namespace quillon
