// Draws the program's icon at every size the desktop asks for and as SVG, and the hand
// pointer HAND-M.CUR (a Windows cursor file, hotspot on the fingertip).
// Usage: draw-assets <icons folder> <cursor file>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// The icon in a 256 x 256 frame: a rounded tile in the deep blue of a road
// sign, a white map pin with a round window, the orange dot of the found
// place. The PNGs and the SVG are drawn from these same shapes.
const QColor TileTop(0x2b, 0x6c, 0xd4), TileBottom(0x17, 0x3f, 0x8a), Dot(0xf5, 0x9e, 0x0b);

QPainterPath tilePath() {
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    return tile;
}

QPainterPath pinPath() {
    QPainterPath pin;
    pin.moveTo(128, 226);
    pin.cubicTo(96, 176, 62, 142, 62, 100);
    pin.arcTo(QRectF(62, 34, 132, 132), 180, -180);
    pin.cubicTo(194, 142, 160, 176, 128, 226);
    pin.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(128, 100), 30, 30);
    return pin.subtracted(hole);
}

QPainterPath dotPath() {
    QPainterPath dot;
    dot.addEllipse(QPointF(128, 100), 18, 18);
    return dot;
}

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, TileTop);
    tile.setColorAt(1, TileBottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawPath(tilePath());
    painter.setBrush(Qt::white);
    painter.drawPath(pinPath());
    painter.setBrush(Dot);
    painter.drawPath(dotPath());
    return image;
}

// A path as SVG path data; Qt has turned every arc into cubic curves.
QString svgPathData(const QPainterPath& path) {
    QString data;
    auto point = [](double x, double y) { return QStringLiteral("%1 %2").arg(x, 0, 'f', 3).arg(y, 0, 'f', 3); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            data += QStringLiteral("M") + point(e.x, e.y);
        } else if (e.isLineTo()) {
            data += QStringLiteral("L") + point(e.x, e.y);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            data += QStringLiteral("C") + point(e.x, e.y) + QLatin1Char(' ') + point(c2.x, c2.y) + QLatin1Char(' ')
                    + point(end.x, end.y);
            i += 2;
        }
    }
    return data;
}

QByteArray drawSvgIcon() {
    const QString svg =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
            "  <defs><linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"256\" gradientUnits=\"userSpaceOnUse\">"
            "<stop offset=\"0\" stop-color=\"%1\"/><stop offset=\"1\" stop-color=\"%2\"/></linearGradient></defs>\n"
            "  <path fill=\"url(#tile)\" fill-rule=\"evenodd\" d=\"%3\"/>\n"
            "  <path fill=\"#ffffff\" fill-rule=\"evenodd\" d=\"%4\"/>\n"
            "  <path fill=\"%5\" fill-rule=\"evenodd\" d=\"%6\"/>\n"
            "</svg>\n")
            .arg(TileTop.name(), TileBottom.name(), svgPathData(tilePath()), svgPathData(pinPath()), Dot.name(),
                 svgPathData(dotPath()));
    return svg.toUtf8();
}

constexpr int CursorSize = 32;
const QPoint Fingertip(12, 1);

QImage drawHand() {
    QImage image(CursorSize, CursorSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(10, 0.5, 5, 16), 2.5, 2.5);    // the pointing finger
    hand.addRoundedRect(QRectF(14.5, 9.5, 4.5, 9), 2.2, 2.2); // three folded fingers
    hand.addRoundedRect(QRectF(18.5, 10.5, 4.5, 9), 2.2, 2.2);
    hand.addRoundedRect(QRectF(22.5, 11.5, 4.5, 9), 2.2, 2.2);
    hand.addRoundedRect(QRectF(10, 14, 17, 13), 4, 4); // the palm
    QPainterPath thumb;
    thumb.moveTo(10.5, 16);
    thumb.lineTo(6, 13);
    thumb.quadTo(3.5, 12.5, 4.5, 16);
    thumb.lineTo(10.5, 24);
    thumb.closeSubpath();
    hand = hand.united(thumb).simplified();
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::white);
    painter.drawPath(hand);
    return image;
}

// One 32 x 32 image, 32 bits per pixel, rows bottom-up, then the AND mask.
QByteArray encodeCursor(const QImage& image, QPoint hotspot) {
    QByteArray bytes;
    auto put16 = [&](quint16 value) {
        const quint16 le = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&le), 2);
    };
    auto put32 = [&](quint32 value) {
        const quint32 le = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&le), 4);
    };
    const int maskStride = ((CursorSize + 31) / 32) * 4;
    const quint32 imageBytes = 40 + CursorSize * CursorSize * 4 + maskStride * CursorSize;

    put16(0);
    put16(2);
    put16(1); // reserved, cursor, one image
    bytes.append(char(CursorSize));
    bytes.append(char(CursorSize));
    bytes.append(char(0));
    bytes.append(char(0));
    put16(quint16(hotspot.x()));
    put16(quint16(hotspot.y()));
    put32(imageBytes);
    put32(6 + 16);

    put32(40);
    put32(CursorSize);
    put32(CursorSize * 2); // header: the height counts both masks
    put16(1);
    put16(32);
    put32(0);
    put32(CursorSize * CursorSize * 4 + maskStride * CursorSize);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (int y = CursorSize - 1; y >= 0; --y)
        for (int x = 0; x < CursorSize; ++x) {
            const QRgb pixel = image.pixel(x, y);
            bytes.append(char(qBlue(pixel)));
            bytes.append(char(qGreen(pixel)));
            bytes.append(char(qRed(pixel)));
            bytes.append(char(qAlpha(pixel)));
        }
    for (int y = CursorSize - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < CursorSize; ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        bytes.append(row);
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: draw-assets <icons folder> <cursor file>\n");
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
    QFile svg(out.filePath(QStringLiteral("olvaris.svg")));
    const QByteArray svgBytes = drawSvgIcon();
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(svgBytes) != svgBytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    QFile cursor(QString::fromLocal8Bit(argv[2]));
    const QByteArray bytes = encodeCursor(drawHand(), Fingertip);
    if (!cursor.open(QIODevice::WriteOnly | QIODevice::Truncate) || cursor.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
