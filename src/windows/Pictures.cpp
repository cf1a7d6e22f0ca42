#include "windows/Pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace {

void drawLamp(QPainter &p, QPointF centre, double r, QColor lit, bool on)
{
    const QColor base = on ? lit : QColor(150, 150, 150);
    QRadialGradient g(centre - QPointF(r / 3, r / 3), r * 1.3);
    g.setColorAt(0.0, on ? base.lighter(170) : QColor(220, 220, 220));
    g.setColorAt(0.6, base);
    g.setColorAt(1.0, base.darker(160));
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.drawEllipse(centre, r, r);
}

QPixmap makePixmap(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QPixmap beaconPicture(int state)
{
    QPixmap pm = makePixmap(96, 32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colours[3] = {QColor(20, 200, 40), QColor(250, 210, 0), QColor(230, 30, 30)};
    for (int i = 0; i < 3; ++i)
        drawLamp(p, QPointF(16 + 32 * i, 16), 13.0, colours[i], i < state);
    return pm;
}

QPixmap startGlyph(int state)
{
    // 0 up, 1 disabled, 2 down, 3 held
    QPixmap pm = makePixmap(64, 64);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ring = state == 1 ? QColor(170, 170, 170) : QColor(30, 120, 40);
    QColor fill = state == 1 ? QColor(215, 215, 215)
                : state == 2 ? QColor(60, 170, 70)
                : state == 3 ? QColor(250, 200, 0)
                             : QColor(90, 200, 100);
    const QPointF offset = state == 2 ? QPointF(1, 1) : QPointF(0, 0);
    p.translate(offset);
    QRadialGradient g(QPointF(26, 24), 36);
    g.setColorAt(0, fill.lighter(140));
    g.setColorAt(1, fill);
    p.setBrush(g);
    p.setPen(QPen(ring, 3));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    QPainterPath tri;
    tri.moveTo(25, 18);
    tri.lineTo(47, 32);
    tri.lineTo(25, 46);
    tri.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(state == 1 ? QColor(160, 160, 160) : QColor(255, 255, 255));
    p.drawPath(tri);
    return pm;
}

namespace {

QPixmap toolPixmap(Glyph glyph, bool disabled)
{
    QPixmap pm = makePixmap(32, 32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = disabled ? QColor(160, 160, 160) : QColor(40, 60, 110);
    p.setPen(QPen(ink, 2));
    switch (glyph) {
    case Glyph::Start:
        p.drawPixmap(0, 0, startGlyph(disabled ? 1 : 0).scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        break;
    case Glyph::DeviceSelect: {
        // a light curtain: two posts and beams
        p.setBrush(disabled ? QColor(200, 200, 200) : QColor(250, 200, 0));
        p.drawRect(4, 3, 6, 26);
        p.drawRect(22, 3, 6, 26);
        p.setPen(QPen(disabled ? QColor(190, 190, 190) : QColor(220, 40, 40), 1.5, Qt::DashLine));
        for (int y = 7; y <= 25; y += 6)
            p.drawLine(10, y, 22, y);
        break;
    }
    case Glyph::Settings: {
        p.setBrush(disabled ? QColor(210, 210, 210) : QColor(180, 190, 210));
        QPainterPath gear;
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(i * 45);
            p.drawRect(QRectF(-3, -14, 6, 6));
            p.restore();
        }
        p.drawEllipse(QPointF(16, 16), 10, 10);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 4, 4);
        break;
    }
    case Glyph::Images: {
        p.setBrush(disabled ? QColor(230, 230, 230) : QColor(210, 235, 255));
        p.drawRect(3, 6, 26, 20);
        QPainterPath hill;
        hill.moveTo(4, 25);
        hill.lineTo(13, 14);
        hill.lineTo(19, 20);
        hill.lineTo(23, 16);
        hill.lineTo(28, 25);
        hill.closeSubpath();
        p.setBrush(disabled ? QColor(190, 190, 190) : QColor(60, 150, 70));
        p.drawPath(hill);
        p.setBrush(disabled ? QColor(200, 200, 200) : QColor(250, 200, 0));
        p.drawEllipse(QPointF(22, 11), 3, 3);
        break;
    }
    case Glyph::Calculator: {
        p.setBrush(disabled ? QColor(220, 220, 220) : QColor(230, 230, 230));
        p.drawRoundedRect(6, 2, 20, 28, 3, 3);
        p.setBrush(disabled ? QColor(200, 200, 200) : QColor(170, 210, 170));
        p.drawRect(9, 5, 14, 6);
        p.setBrush(ink);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.drawRect(QRectF(9.5 + c * 5, 14 + r * 5, 3, 3));
        break;
    }
    }
    return pm;
}

} // namespace

namespace {

// A tool button's glyph, each of its pictures (normal, disabled; the start
// button's up, disabled, down and held) drawn when a button first shows it.
class GlyphIconEngine : public QIconEngine
{
public:
    explicit GlyphIconEngine(Glyph glyph) : m_glyph(glyph) {}

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        return nativeSize().boundedTo(size);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {nativeSize()}; }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap &drawn = m_drawn[std::size_t(variant(mode, state))];
        if (drawn.isNull())
            drawn = m_glyph == Glyph::Start ? startGlyph(variant(mode, state))
                                            : toolPixmap(m_glyph, mode == QIcon::Disabled);
        const QSize shown = actualSize(size, mode, state);
        return drawn.size() == shown ? drawn : drawn.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QIconEngine *clone() const override { return new GlyphIconEngine(*this); }

private:
    QSize nativeSize() const { return m_glyph == Glyph::Start ? QSize(64, 64) : QSize(32, 32); }

    // The start button: 0 up, 1 disabled, 2 down, 3 held; the others:
    // 0 normal, 1 disabled.
    int variant(QIcon::Mode mode, QIcon::State state) const
    {
        if (mode == QIcon::Disabled)
            return 1;
        if (m_glyph != Glyph::Start)
            return 0;
        if (state == QIcon::On)
            return 3;
        return mode == QIcon::Active ? 2 : 0;
    }

    Glyph m_glyph;
    std::array<QPixmap, 4> m_drawn;
};

} // namespace

QIcon glyphIcon(Glyph glyph)
{
    return QIcon(new GlyphIconEngine(glyph));
}

QPixmap applicationIconPicture(int size)
{
    QPixmap pm = makePixmap(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setBrush(QColor(250, 200, 0));
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    // a stylised stopwatch
    p.drawEllipse(QPointF(32, 36), 20, 20);
    p.drawRect(QRectF(28, 8, 8, 8));
    p.setBrush(QColor(250, 250, 250));
    p.drawEllipse(QPointF(32, 36), 15, 15);
    p.setPen(QPen(QColor(220, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 36), QPointF(40, 26));
    p.end();
    return pm;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(applicationIconPicture(size));
    return icon;
}
