#pragma once
// The pictures of the scope window's tool buttons and its "MAGNIFY" zoom pointer, drawn by the
// program so that they look the same under every desktop theme.
#include <QCursor>
#include <QIcon>

namespace quillon {

enum class ScopeIcon { Open, Save, Pause, Start, Drawing, Options, Record, Zoom, Rulers, Cursor, Scale, Trace };

QIcon ScopeIconOf(ScopeIcon icon);
// A magnifying glass with its hot spot in the middle of the lens.
QCursor MagnifyCursor();

}  // namespace quillon
