#include "platform/gui/Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <tuple>

namespace artwork
{
namespace
{

enum class Lit { Off, Half, On };

QColor lampColour(int hue, Lit lit)
{
    switch (lit) {
    case Lit::Off:
        return QColor::fromHsv(hue, 120, 70);
    case Lit::Half:
        return QColor::fromHsv(hue, 200, 160);
    case Lit::On:
        break;
    }
    return QColor::fromHsv(hue, 255, 255);
}

void paintLamp(QPainter& p, const QRectF& r, int hue, Lit lit)
{
    QColor c = lampColour(hue, lit);
    QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.6);
    g.setColorAt(0, lit == Lit::Off ? c.lighter(130) : c.lighter(170));
    g.setColorAt(1, c);
    p.setBrush(g);
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.drawEllipse(r);
}

QPixmap transparentPixmap(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap trafficLight(int index)
{
    if (index < 0 || index >= TrafficLightCount)
        index = 0;
    static constexpr int hues[] = {0, 50, 120, 220};
    const int hue = hues[index / 3];
    const Lit lit = index == 9 ? Lit::On : Lit(index % 3);

    QPixmap pm = transparentPixmap(TrafficLightSize, TrafficLightSize);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paintLamp(p, QRectF(1.5, 1.5, 13, 13), hue, lit);
    return pm;
}

QPixmap programPixmap(int size)
{
    return QPixmap::fromImage(programImage(size));
}

QImage programImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(QColor(45, 45, 60));
    p.drawRoundedRect(QRectF(9.5, 0.5, 13, 31), 4, 4);
    paintLamp(p, QRectF(12, 2.5, 8, 8), 0, Lit::On);
    paintLamp(p, QRectF(12, 12, 8, 8), 50, Lit::Half);
    paintLamp(p, QRectF(12, 21.5, 8, 8), 120, Lit::On);
    return image;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(programPixmap(size));
    return icon;
}

QPixmap glyph(Glyph g)
{
    constexpr int S = 13;
    QPixmap pm = transparentPixmap(S, S);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0, 0, 110);
    p.setPen(QPen(ink, 1.2));
    switch (g) {
    case Glyph::Archive: // a small table
        p.setBrush(QColor(255, 255, 230));
        p.drawRect(QRectF(1.5, 1.5, 10, 10));
        for (double y : {4.5, 7.5})
            p.drawLine(QPointF(1.5, y), QPointF(11.5, y));
        p.drawLine(QPointF(5.5, 1.5), QPointF(5.5, 11.5));
        break;
    case Glyph::Tariffs: // a coin
        p.setBrush(QColor(235, 190, 40));
        p.drawEllipse(QRectF(1.5, 1.5, 10, 10));
        p.setFont(QFont(QStringLiteral("Sans Serif"), 5, QFont::Bold));
        p.drawText(QRectF(1.5, 1.5, 10, 10), Qt::AlignCenter, QStringLiteral("L"));
        break;
    case Glyph::Options: // a cog
        p.save();
        p.translate(6.5, 6.5);
        p.setPen(QPen(ink, 2));
        for (int i = 0; i < 8; ++i) {
            p.drawLine(QPointF(3.5, 0), QPointF(5.5, 0));
            p.rotate(45);
        }
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(200, 205, 225));
        p.drawEllipse(QPointF(0, 0), 3.6, 3.6);
        p.drawEllipse(QPointF(0, 0), 1.2, 1.2);
        p.restore();
        break;
    case Glyph::Drag: // four arrows
        p.drawLine(QPointF(6.5, 1), QPointF(6.5, 12));
        p.drawLine(QPointF(1, 6.5), QPointF(12, 6.5));
        for (auto [a, b, c] : {std::tuple{QPointF(4.5, 3), QPointF(6.5, 1), QPointF(8.5, 3)},
                               std::tuple{QPointF(4.5, 10), QPointF(6.5, 12), QPointF(8.5, 10)},
                               std::tuple{QPointF(3, 4.5), QPointF(1, 6.5), QPointF(3, 8.5)},
                               std::tuple{QPointF(10, 4.5), QPointF(12, 6.5), QPointF(10, 8.5)}}) {
            p.drawLine(a, b);
            p.drawLine(b, c);
        }
        break;
    case Glyph::Quit: // a cross
        p.setPen(QPen(QColor(160, 0, 0), 2));
        p.drawLine(QPointF(2.5, 2.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 2.5), QPointF(2.5, 10.5));
        break;
    }
    return pm;
}

QPixmap barBackground(int width, int height)
{
    QPixmap pm(qMax(1, width), qMax(1, height));
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, QColor(225, 232, 245));
    g.setColorAt(0.5, QColor(190, 200, 225));
    g.setColorAt(1, QColor(160, 172, 205));
    p.fillRect(pm.rect(), g);
    return pm;
}

} // namespace artwork
