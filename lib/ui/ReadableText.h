#pragma once
#include <QColor>
#include <QPalette>

namespace olvaris {

// The contrast of two colours as the Web Content Accessibility Guidelines
// measure it: 1 (alike) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// The level the guidelines ask of normal text.
inline constexpr double ReadableContrast = 4.5;

// Where text of the given role stands on a background of the given role
// (active and inactive groups) with less contrast than that, the text
// becomes black or white, whichever stands out more. The window's white
// meets the desktop's colour scheme here: a dark scheme's light text must
// not land on it, and a light scheme's text is left exactly as it is.
void keepTextReadable(QPalette& palette, QPalette::ColorRole background, QPalette::ColorRole text);

// Where the selection's text stands on the selection's colour with less
// contrast than that (active and inactive), the colour is darkened under
// light text or lightened under dark text, its hue and saturation kept,
// until the text reads; the text changes only if no shade will do.
void keepSelectionReadable(QPalette& palette);

} // namespace olvaris
