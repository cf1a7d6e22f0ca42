#include "windows/WindowPlacement.h"


QPoint clampWindowPosition(QPoint position, QSize screen)
{
    if (position.x() > screen.width() - 50)
        position.setX(screen.width() / 2);
    if (position.y() > screen.height() - 50)
        position.setY(screen.height() / 2);
    return position;
}

QList<int> splitterSizes(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return {};
    QList<int> sizes;
    for (const QString &part : parts) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok);
        // More than any screen is tall: not a size this program wrote.
        if (!ok || size <= 0 || size > 100000)
            return {};
        sizes << size;
    }
    return sizes;
}

QString splitterText(const QList<int> &sizes)
{
    QStringList parts;
    for (const int size : sizes)
        parts << QString::number(size);
    return parts.join(QLatin1Char(','));
}
