#pragma once
// The pictures of the scope window's tool buttons and its "MAGNIFY" zoom pointer, drawn by the
// program so that they look the same under every desktop theme, but for their dark outlines,
// which are lightened as far as they must be to stand out on a dark button face.
#include <QCursor>
#include <QIcon>

namespace quillon {

enum class ScopeIcon { Open, Save, Pause, Start, Drawing, Options, Record, Zoom, Rulers, Cursor, Scale, Trace };

// `face`: the colour of the button the picture sits on.
QIcon ScopeIconOf(ScopeIcon icon, const QColor& face);
// A magnifying glass with its hot spot in the middle of the lens.
QCursor MagnifyCursor();

}  // namespace quillon
