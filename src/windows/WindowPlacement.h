#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QSize>

// Brings a window stored beyond the right or bottom screen edge back: a left
// edge past (screen width - 50) moves to the middle of the width, a top edge
// past (screen height - 50) to the middle of the height.  Positions left of
// or above the screen stay as they are.
QPoint clampWindowPosition(QPoint position, QSize screen);

