#pragma once

#include <QPixmap>

// Picture of a kind of safety device (0..6), square, size x size pixels.
QPixmap devicePicture(int kind, int size);
