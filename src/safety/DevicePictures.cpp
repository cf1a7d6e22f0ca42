#include "safety/DevicePictures.h"

#include "app/Forms.h"
#include "app/MainForm.h"

#include <QPainter>

QPixmap devicePicture(int kind, int size)
{
    static const char *const abbreviations[] = {"VLC", "HLC", "SCN", "2H", "STOP", "DOOR", "MAT"};
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(250, 200, 0));
    p.setPen(QPen(QColor(40, 40, 40), size / 16.0));
    p.drawRoundedRect(QRectF(size * 0.05, size * 0.05, size * 0.9, size * 0.9), size / 8.0, size / 8.0);
    if (kind >= 0 && kind < 7) {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(int(size * (kind == 4 || kind == 5 ? 0.22 : 0.3)));
        p.setFont(f);
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QString::fromLatin1(abbreviations[kind]));
    }
    return pm;
}

QPixmap deviceIcon32(const Forms &forms, int kind)
{
    if (forms.MainForm && kind >= 0 && kind < forms.MainForm->il_devices_32.size())
        return forms.MainForm->il_devices_32[kind];
    return devicePicture(kind, 32);
}
