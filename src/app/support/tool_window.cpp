#include "app/support/tool_window.h"

namespace quillon {

TToolWindow::TToolWindow(const ToolContext& context, const TBaseProperty& link, const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window), Property(link), context_(context) {
  setWindowTitle(caption);
}

}  // namespace quillon
