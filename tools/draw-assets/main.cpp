// Draws the program's icon at every size the desktop asks for.
// Usage: draw-assets <output folder>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);

    // A rounded tile in the deep blue of a road sign.
    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(0x2b, 0x6c, 0xd4));
    tile.setColorAt(1, QColor(0x17, 0x3f, 0x8a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // A map pin with a round window.
    QPainterPath pin;
    pin.moveTo(128, 226);
    pin.cubicTo(96, 176, 62, 142, 62, 100);
    pin.arcTo(QRectF(62, 34, 132, 132), 180, -180);
    pin.cubicTo(194, 142, 160, 176, 128, 226);
    pin.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(128, 100), 30, 30);
    painter.setBrush(Qt::white);
    painter.drawPath(pin.subtracted(hole));

    // The orange dot of the found place.
    painter.setBrush(QColor(0xf5, 0x9e, 0x0b));
    painter.drawEllipse(QPointF(128, 100), 18, 18);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw-assets <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString name = out.filePath(QStringLiteral("olvaris-%1.png").arg(size));
        if (!drawIcon(size).save(name)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
