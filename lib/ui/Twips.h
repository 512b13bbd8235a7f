#pragma once
#include <QRect>
#include <cmath>

namespace olvaris {

// Window geometry is designed in twips: 1440 per inch, 15 per logical pixel.
inline constexpr int TwipsPerPixel = 15;

inline int twipsToPixels(int twips) { return int(std::lround(double(twips) / TwipsPerPixel)); }

inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace olvaris
