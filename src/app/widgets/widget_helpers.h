#pragma once
// Small conveniences shared by the windows.
#include <QString>
#include <string>

namespace quillon {

// Gives a control the system's name (tests and handlers find controls by it) and returns it.
template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

// Core texts are UTF-8.
inline QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace quillon
