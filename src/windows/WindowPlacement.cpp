#include "windows/WindowPlacement.h"

QPoint clampWindowPosition(QPoint position, QSize screen)
{
    if (position.x() > screen.width() - 50)
        position.setX(screen.width() / 2);
    if (position.y() > screen.height() - 50)
        position.setY(screen.height() / 2);
    return position;
}
