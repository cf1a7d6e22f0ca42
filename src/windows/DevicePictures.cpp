#include "windows/DevicePictures.h"

#include "safety/SafetyDevice.h"
#include "windows/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

// Every picture is drawn on a 150 x 150 grid and scaled; strokes are kept
// bold enough to survive the 32 x 32 icon.

namespace {

const QColor kSafetyYellow(255, 204, 0);
const QColor kOutline(40, 40, 40);
const QColor kBeamRed(230, 20, 20);
const QColor kSteel(150, 155, 160);

QPen outline(double width = 4.0)
{
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A light-curtain post (emitter or receiver) standing upright.
void drawPost(QPainter &p, const QRectF &r)
{
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, kSafetyYellow.lighter(115));
    g.setColorAt(1, kSafetyYellow.darker(115));
    p.setPen(outline());
    p.setBrush(g);
    p.drawRoundedRect(r, 3, 3);
    // Dark lens strip along the inner face.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(r.center().x() - r.width() * 0.18, r.top() + 8, r.width() * 0.36, r.height() - 16));
}

void drawVerticalCurtain(QPainter &p)
{
    // Floor
    p.setPen(QPen(kOutline, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 138), QPointF(140, 138));
    // Beams between the posts
    p.setPen(QPen(kBeamRed, 4, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 7; ++i) {
        const double y = 28 + i * 15.5;
        p.drawLine(QPointF(40, y), QPointF(110, y));
    }
    drawPost(p, QRectF(22, 12, 20, 124));
    drawPost(p, QRectF(108, 12, 20, 124));
}

void drawHorizontalCurtain(QPainter &p)
{
    // The machine at the back
    p.setPen(outline());
    p.setBrush(kSteel);
    p.drawRect(QRectF(92, 18, 48, 78));
    p.setPen(Qt::NoPen);
    p.setBrush(kSafetyYellow);
    p.drawRect(QRectF(94, 84, 44, 10));
    // Floor in perspective, the protected zone in front of the machine
    QPolygonF floor;
    floor << QPointF(8, 136) << QPointF(104, 136) << QPointF(140, 96) << QPointF(44, 96);
    p.setPen(QPen(kOutline, 3));
    p.setBrush(QColor(215, 215, 215));
    p.drawPolygon(floor);
    // Beams running parallel to the floor, just above it
    p.setPen(QPen(kBeamRed, 4, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 5; ++i) {
        const double t = (i + 0.5) / 5.0;
        const QPointF a(8 + 36 * t, 122 - 40 * t);
        p.drawLine(a, a + QPointF(96, 0));
    }
    // Emitter and receiver bars lying along the floor's sides
    auto bar = [&](QPointF from, QPointF to) {
        QPainterPath path;
        path.moveTo(from);
        path.lineTo(to);
        p.strokePath(path, QPen(kOutline, 14, Qt::SolidLine, Qt::RoundCap));
        p.strokePath(path, QPen(kSafetyYellow, 8, Qt::SolidLine, Qt::RoundCap));
    };
    bar(QPointF(10, 128), QPointF(44, 90));
    bar(QPointF(106, 128), QPointF(140, 90));
}

void drawScanner(QPainter &p)
{
    // Protective field: a fan spread from the scanner over the floor
    const QPointF origin(28, 118);
    const QRectF field(origin.x() - 112, origin.y() - 112, 224, 224);
    QRadialGradient g(origin, 112);
    g.setColorAt(0, QColor(255, 60, 40, 200));
    g.setColorAt(1, QColor(255, 140, 0, 90));
    p.setPen(QPen(QColor(200, 30, 20), 3));
    p.setBrush(g);
    p.drawPie(field, 0 * 16, 90 * 16);
    // Scan rays
    p.setPen(QPen(QColor(200, 30, 20, 160), 2));
    for (int a = 15; a < 90; a += 15) {
        const double rad = a * M_PI / 180.0;
        p.drawLine(origin, origin + QPointF(std::cos(rad) * 112, -std::sin(rad) * 112));
    }
    // Scanner body with its round optics cover
    p.setPen(outline());
    p.setBrush(kSafetyYellow);
    p.drawRoundedRect(QRectF(8, 104, 36, 38), 5, 5);
    p.setBrush(QColor(50, 50, 60));
    p.drawChord(QRectF(14, 96, 28, 28), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(140, 200, 255, 160));
    p.drawEllipse(QRectF(22, 101, 7, 7));
}

// A round push button seen from above at an angle.
void drawPalmButton(QPainter &p, QPointF c)
{
    p.setPen(outline());
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(c + QPointF(0, 4), 24, 14);
    QRadialGradient g(c - QPointF(6, 4), 24);
    g.setColorAt(0, QColor(120, 230, 120));
    g.setColorAt(1, QColor(0, 140, 40));
    p.setBrush(g);
    p.drawEllipse(c, 21, 12);
}

void drawHand(QPainter &p, QPointF c, bool mirrored)
{
    p.save();
    p.translate(c);
    if (mirrored)
        p.scale(-1, 1);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(-13, -2, 26, 24), 9, 9);        // palm
    for (int i = 0; i < 4; ++i)                                 // fingers
        hand.addRoundedRect(QRectF(-13 + i * 6.8, -22 + (i == 0 || i == 3 ? 5 : 0), 6, 24), 3, 3);
    QPainterPath thumb;
    thumb.moveTo(-12, 10);
    thumb.lineTo(-22, -2);
    p.setPen(QPen(kOutline, 3));
    p.setBrush(QColor(250, 215, 180));
    p.drawPath(hand.simplified());
    p.strokePath(thumb, QPen(kOutline, 9, Qt::SolidLine, Qt::RoundCap));
    p.strokePath(thumb, QPen(QColor(250, 215, 180), 4, Qt::SolidLine, Qt::RoundCap));
    p.restore();
}

void drawTwoHand(QPainter &p)
{
    // Console housing
    QPolygonF top;
    top << QPointF(6, 96) << QPointF(144, 96) << QPointF(132, 66) << QPointF(18, 66);
    QPolygonF front;
    front << QPointF(6, 96) << QPointF(144, 96) << QPointF(144, 128) << QPointF(6, 128);
    p.setPen(outline());
    p.setBrush(kSafetyYellow.darker(112));
    p.drawPolygon(front);
    p.setBrush(kSafetyYellow);
    p.drawPolygon(top);
    drawPalmButton(p, QPointF(40, 80));
    drawPalmButton(p, QPointF(110, 80));
    // Both hands on their buttons
    drawHand(p, QPointF(40, 44), false);
    drawHand(p, QPointF(110, 44), true);
}

void drawEmergencyStop(QPainter &p)
{
    const QPointF c(75, 75);
    // Yellow background plate
    p.setPen(outline());
    p.setBrush(kSafetyYellow);
    p.drawEllipse(c, 68, 68);
    // Collar
    p.setBrush(QColor(70, 70, 70));
    p.drawEllipse(c, 44, 44);
    // Red mushroom head
    QRadialGradient g(c - QPointF(14, 16), 52);
    g.setColorAt(0, QColor(255, 120, 110));
    g.setColorAt(0.55, QColor(220, 20, 20));
    g.setColorAt(1, QColor(140, 0, 0));
    p.setBrush(g);
    p.drawEllipse(c, 38, 38);
    // Highlight
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(QRectF(50, 48, 26, 16));
}

void drawDoor(QPainter &p)
{
    // Fence post and the fixed guard panel
    p.setPen(outline());
    p.setBrush(QColor(250, 250, 250));
    const QRectF frame(8, 14, 62, 124);
    p.drawRect(frame);
    // Mesh
    p.save();
    p.setClipRect(frame.adjusted(3, 3, -3, -3));
    p.setPen(QPen(kSteel, 2));
    for (int i = -140; i < 140; i += 12) {
        p.drawLine(QPointF(8 + i, 14), QPointF(8 + i + 124, 138));
        p.drawLine(QPointF(8 + i + 124, 14), QPointF(8 + i, 138));
    }
    p.restore();
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    // The door, swung open towards the viewer
    QPolygonF door;
    door << QPointF(74, 14) << QPointF(136, 4) << QPointF(136, 148) << QPointF(74, 138);
    p.setBrush(QColor(250, 250, 250));
    p.drawPolygon(door);
    p.save();
    QPainterPath clip;
    clip.addPolygon(door);
    p.setClipPath(clip);
    p.setPen(QPen(kSteel, 2));
    for (int i = 0; i < 12; ++i) {
        const double x = 74 + i * 6;
        p.drawLine(QPointF(x, 0), QPointF(x, 150));
    }
    for (int i = 0; i < 14; ++i) {
        const double y = 14 + i * 10;
        p.drawLine(QPointF(74, y), QPointF(136, y - 10 + i * 0.3));
    }
    p.restore();
    p.setPen(outline());
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(door);
    // Interlock switch on the fence post, its actuator on the door edge
    p.setBrush(kSafetyYellow);
    p.drawRoundedRect(QRectF(52, 58, 24, 34), 3, 3);
    p.setBrush(QColor(200, 20, 20));
    p.drawRect(QRectF(60, 64, 8, 8));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(80, 68, 18, 12));
}

void drawMat(QPainter &p)
{
    // Mat in perspective with its yellow safety edge
    QPolygonF mat;
    mat << QPointF(4, 142) << QPointF(146, 142) << QPointF(124, 96) << QPointF(26, 96);
    p.setPen(QPen(kSafetyYellow, 8, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(QColor(55, 55, 60));
    p.drawPolygon(mat);
    p.setPen(QPen(kOutline, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(mat);
    // Ribbed surface
    p.setPen(QPen(QColor(100, 100, 105), 2));
    for (int i = 1; i < 6; ++i) {
        const double t = i / 6.0;
        p.drawLine(QPointF(4 + 22 * t, 142 - 46 * t), QPointF(146 - 22 * t, 142 - 46 * t));
    }
    // A person standing on it
    const QColor figure(30, 30, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(figure);
    p.drawEllipse(QPointF(75, 14), 11, 11);
    QPainterPath body;
    body.addRoundedRect(QRectF(60, 28, 30, 50), 8, 8);
    p.drawPath(body);
    QPen limb(figure, 10, Qt::SolidLine, Qt::RoundCap);
    p.setPen(limb);
    p.drawLine(QPointF(62, 34), QPointF(50, 72));   // arms
    p.drawLine(QPointF(88, 34), QPointF(100, 72));
    p.setPen(QPen(figure, 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(68, 74), QPointF(64, 118));  // legs down to the mat
    p.drawLine(QPointF(82, 74), QPointF(86, 118));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(50, 114, 18, 9), 4, 4); // feet
    p.drawRoundedRect(QRectF(82, 114, 18, 9), 4, 4);
}

} // namespace

QPixmap devicePicture(int kind, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    if (kind < 0 || kind >= SafetyDeviceKindCount || size <= 0)
        return pm;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 150.0, size / 150.0);
    switch (kind) {
    case KindVerticalLightCurtain: drawVerticalCurtain(p); break;
    case KindHorizontalLightCurtain: drawHorizontalCurtain(p); break;
    case KindSafetyScanner: drawScanner(p); break;
    case KindTwoHandControl: drawTwoHand(p); break;
    case KindEmergencyStop: drawEmergencyStop(p); break;
    case KindDoor: drawDoor(p); break;
    case KindPressureSensitiveMat: drawMat(p); break;
    default: break;
    }
    return pm;
}

QPixmap curtainArrangementPicture(int kind)
{
    const int w = 150;
    const int h = 110;
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF foot(40, 96);
    // Ground and machine
    p.setPen(QPen(kOutline, 2));
    p.drawLine(QPointF(4, 96), QPointF(146, 96));
    for (int x = 8; x < 146; x += 10)
        p.drawLine(QPointF(x, 96), QPointF(x - 6, 104));
    p.setBrush(kSteel);
    p.drawRect(QRectF(112, 30, 34, 66));
    // The curtain's plane at its angle to the ground
    const double angle = kind == KindHorizontalLightCurtain ? 15.0 : 75.0;
    const double rad = angle * M_PI / 180.0;
    const QPointF tip = foot + QPointF(std::cos(rad) * 80, -std::sin(rad) * 80);
    p.setPen(QPen(kBeamRed, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(foot, tip);
    p.setPen(QPen(kOutline, 1.5, Qt::DashLine));
    p.drawArc(QRectF(foot.x() - 30, foot.y() - 30, 60, 60), 0, int(angle * 16));
    // The 30 degree bound
    const QPointF bound = foot + QPointF(std::cos(M_PI / 6) * 70, -std::sin(M_PI / 6) * 70);
    p.setPen(QPen(QColor(90, 90, 90), 1.5, Qt::DotLine));
    p.drawLine(foot, bound);
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kOutline);
    p.drawText(QRectF(4, 4, 110, 16), Qt::AlignLeft,
               kind == KindHorizontalLightCurtain ? QStringLiteral("\u03b1 \u2264 30\u00b0")
                                                  : QStringLiteral("\u03b1 > 30\u00b0"));
    return pm;
}

QPixmap deviceIcon32(int kind)
{
    // Each drawn at its first use and looked up by kind from then on.
    static const ImageList icons{SafetyDeviceKindCount, [](int k) { return devicePicture(k, 32); }};
    return kind >= 0 && kind < icons.size() ? icons[kind] : devicePicture(kind, 32);
}
