#include "ReadableText.h"
#include <algorithm>
#include <cmath>

namespace olvaris {

namespace {

double luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

void keepTextReadable(QPalette& palette, QPalette::ColorRole background, QPalette::ColorRole text) {
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor behind = palette.color(group, background);
        if (contrastRatio(palette.color(group, text), behind) >= ReadableContrast)
            continue;
        const QColor black(Qt::black), white(Qt::white);
        palette.setColor(group, text, contrastRatio(black, behind) >= contrastRatio(white, behind) ? black : white);
    }
}

void keepSelectionReadable(QPalette& palette) {
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = palette.color(group, QPalette::HighlightedText);
        QColor behind = palette.color(group, QPalette::Highlight).toHsl();
        const bool darken = luminance(text) > luminance(behind);
        const int hue = behind.hslHue(), saturation = behind.hslSaturation();
        for (int lightness = behind.lightness(); contrastRatio(text, behind) < ReadableContrast;) {
            lightness += darken ? -4 : 4;
            if (lightness < 0 || lightness > 255)
                break;
            behind.setHsl(hue, saturation, lightness);
        }
        palette.setColor(group, QPalette::Highlight, behind.toRgb());
    }
    keepTextReadable(palette, QPalette::Highlight, QPalette::HighlightedText);
}

} // namespace olvaris
