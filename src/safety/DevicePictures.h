#pragma once

#include <QPixmap>

// Picture of a kind of safety device (0..6), square, size x size pixels.
QPixmap devicePicture(int kind, int size);

struct Forms;

// The 32 x 32 icon of a kind as the tabs of the selection dialog and the
// calculator show it: the main window's il_devices_32 once it is filled,
// the drawn picture before that (or without a main window).
QPixmap deviceIcon32(const Forms &forms, int kind);
