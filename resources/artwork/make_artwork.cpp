// SPDX-License-Identifier: MIT
// Draws the window's logo (172 × 99, 256 colours) and the application icon (32 × 32, the 16
// VGA colours) and writes them as palette PNGs: make_artwork <resources folder>.
#include <QGuiApplication>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// Land masses as rough outlines on a unit disc (x, y in -1..1), enough to read as a globe.
QPainterPath landMasses()
{
    QPainterPath land;
    const QList<QList<QPointF>> shapes = {
        {{-0.62, -0.55}, {-0.30, -0.72}, {-0.05, -0.60}, {-0.12, -0.38}, {-0.30, -0.22},
         {-0.22, 0.02}, {-0.38, 0.10}, {-0.55, -0.12}, {-0.70, -0.30}},
        {{-0.28, 0.18}, {-0.08, 0.22}, {-0.02, 0.45}, {-0.15, 0.78}, {-0.30, 0.62}, {-0.36, 0.38}},
        {{0.18, -0.70}, {0.55, -0.62}, {0.80, -0.40}, {0.72, -0.12}, {0.48, -0.05}, {0.30, -0.18},
         {0.12, -0.35}},
        {{0.25, 0.05}, {0.48, 0.10}, {0.52, 0.38}, {0.38, 0.62}, {0.22, 0.40}},
        {{0.62, 0.42}, {0.80, 0.45}, {0.78, 0.60}, {0.62, 0.58}},
    };
    for (const auto &shape : shapes) {
        QPolygonF polygon(shape);
        polygon << shape.first();
        land.addPolygon(polygon);
        land.closeSubpath();
    }
    return land;
}

void drawGlobe(QPainter &p, const QRectF &box, bool smooth)
{
    p.save();
    p.translate(box.center());
    p.scale(box.width() / 2, box.height() / 2);
    QRadialGradient sea(QPointF(-0.35, -0.35), 1.4);
    sea.setColorAt(0.0, QColor(120, 190, 255));
    sea.setColorAt(1.0, QColor(0, 40, 140));
    p.setPen(Qt::NoPen);
    p.setBrush(smooth ? QBrush(sea) : QBrush(QColor(0, 0, 170)));
    p.drawEllipse(QPointF(0, 0), 1.0, 1.0);
    p.setBrush(smooth ? QColor(60, 170, 70) : QColor(0, 170, 0));
    QPainterPath disc;
    disc.addEllipse(QPointF(0, 0), 1.0, 1.0);
    p.drawPath(landMasses().intersected(disc));
    QPen grid(smooth ? QColor(255, 255, 255, 110) : QColor(85, 255, 255), 0);
    grid.setCosmetic(true);
    p.setPen(grid);
    p.setBrush(Qt::NoBrush);
    for (const qreal rx : {0.35, 0.75})
        p.drawEllipse(QPointF(0, 0), rx, 1.0);
    p.drawLine(QPointF(0, -1), QPointF(0, 1));
    for (const qreal y : {-0.5, 0.0, 0.5}) {
        const qreal half = std::sqrt(1.0 - y * y);
        p.drawLine(QPointF(-half, y), QPointF(half, y));
    }
    QPen rim(smooth ? QColor(0, 20, 80) : QColor(0, 0, 0), 0);
    rim.setCosmetic(true);
    p.setPen(rim);
    p.drawEllipse(QPointF(0, 0), 1.0, 1.0);
    p.restore();
}

// A lattice mast with radio waves from its top.
void drawMast(QPainter &p, QPointF base, qreal height, const QColor &steel, const QColor &waves, qreal line)
{
    const QPointF top(base.x(), base.y() - height);
    const qreal spread = height * 0.16;
    p.setPen(QPen(steel, line));
    p.drawLine(top, QPointF(base.x() - spread, base.y()));
    p.drawLine(top, QPointF(base.x() + spread, base.y()));
    for (int i = 1; i < 5; ++i) {
        const qreal t = i / 5.0;
        const qreal y = top.y() + height * t;
        const qreal w = spread * t;
        const qreal yNext = top.y() + height * (i + 1) / 5.0;
        const qreal wNext = spread * (i + 1) / 5.0;
        p.drawLine(QPointF(base.x() - w, y), QPointF(base.x() + wNext, yNext));
        p.drawLine(QPointF(base.x() + w, y), QPointF(base.x() - wNext, yNext));
    }
    p.setPen(QPen(waves, line));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const qreal r = height * 0.14 * i;
        const QRectF arc(top.x() - r, top.y() - r, 2 * r, 2 * r);
        p.drawArc(arc, -40 * 16, 80 * 16);
        p.drawArc(arc, 140 * 16, 80 * 16);
    }
}

QImage logo()
{
    QImage image(172, 99, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, 0, 99);
    sky.setColorAt(0.0, QColor(10, 20, 70));
    sky.setColorAt(1.0, QColor(40, 90, 170));
    p.fillRect(image.rect(), sky);
    drawGlobe(p, QRectF(5, 14, 70, 70), true);
    drawMast(p, QPointF(160, 93), 44, QColor(200, 200, 210), QColor(255, 210, 60), 1.2);

    QFont title(u"Liberation Sans"_s);
    title.setPixelSize(27);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 140));
    p.drawText(QPointF(83, 36), u"DXCC"_s);
    p.setPen(QColor(255, 215, 60));
    p.drawText(QPointF(81, 34), u"DXCC"_s);

    QFont caption(u"Liberation Sans"_s);
    caption.setPixelSize(11);
    caption.setBold(true);
    p.setFont(caption);
    p.setPen(QColor(230, 240, 255));
    p.drawText(QPointF(82, 52), u"ПРЕФИКСЫ"_s);
    p.setPen(QColor(170, 200, 240));
    caption.setBold(false);
    caption.setPixelSize(10);
    p.setFont(caption);
    p.drawText(QPointF(82, 66), u"справочник"_s);

    p.setPen(QColor(255, 255, 255, 60));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 171, 98));
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither);
}

// The 16 colours of the VGA palette, the colours of a 16-colour icon.
QList<QRgb> vgaColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QImage icon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath disc;
    disc.addEllipse(QRectF(0, 9, 22, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawPath(disc);
    p.setBrush(QColor(0, 128, 0));
    QTransform toDisc;
    toDisc.translate(11, 20);
    toDisc.scale(11, 11);
    p.drawPath(toDisc.map(landMasses()).intersected(disc));
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(0, 9, 22, 22));
    drawMast(p, QPointF(26, 30), 20, QColor(0, 0, 0), QColor(255, 0, 0), 1.0);
    p.end();

    // Map every pixel to the nearest VGA colour; fully transparent pixels get a 17th, clear entry.
    const QList<QRgb> colours = vgaColours();
    QImage indexed(image.size(), QImage::Format_Indexed8);
    QList<QRgb> table = colours;
    table << qRgba(0, 0, 0, 0);
    indexed.setColorTable(table);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 128) {
                indexed.setPixel(x, y, 16);
                continue;
            }
            int best = 0;
            int bestDistance = INT_MAX;
            for (int i = 0; i < colours.size(); ++i) {
                const int dr = qRed(pixel) - qRed(colours[i]);
                const int dg = qGreen(pixel) - qGreen(colours[i]);
                const int db = qBlue(pixel) - qBlue(colours[i]);
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            indexed.setPixel(x, y, best);
        }
    }
    return indexed;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork <resources folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!logo().save(folder + u"/logo.png"_s) || !icon().save(folder + u"/prefixbook.png"_s)) {
        std::fprintf(stderr, "make_artwork: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
