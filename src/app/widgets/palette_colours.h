#pragma once
// Colours taken from the palette the desktop gives (light or dark), and colours that carry a
// meaning of their own (red for a difference, yellow for an edit) made readable on it.
#include <QColor>
#include <QPalette>
#include <functional>

#include "text/contrast.h"

class QWidget;

namespace quillon {

Rgb ToRgb(const QColor& colour);
QColor ToQColor(Rgb colour);

double ContrastRatio(const QColor& first, const QColor& second);
// Black or white, whichever reads better on `background`.
QColor ReadableTextOn(const QColor& background);
// `colour`, darkened or lightened just enough to reach `minimum` on `background`.
QColor LegibleOn(const QColor& colour, const QColor& background, double minimum = kTextContrast);
// The palette's text role on its background role, made legible should a theme pair them badly.
QColor TextOn(const QPalette& palette, QPalette::ColorRole background, QPalette::ColorRole text);

// Whether the desktop's colours are dark: text lighter than the base it is written on.
bool IsDarkPalette(const QPalette& palette);

// The red of rows where base and controller differ, of backup copies and of refusals.
inline constexpr QColor kMeaningRed{255, 0, 0};
// The separators between a table's cells: the text colour, softened towards the background.
QColor GridLineColour(const QPalette& palette);

// Calls `apply` now and again whenever the widget's palette changes, which it does when the
// desktop switches between light and dark. `apply` may set the widget's own palette: it
// should derive the colours it sets from roles it leaves alone.
void FollowPalette(QWidget* widget, std::function<void()> apply);

}  // namespace quillon
