#pragma once

#include <QPixmap>

// Picture of a kind of safety device (0..6), square, size x size pixels,
// transparent around the drawing.  Any other kind gives an empty picture.
// The same drawing serves the 150 x 150 picture and the 32 x 32 icon.
QPixmap devicePicture(int kind, int size);

// Side view of how a light curtain stands to the ground, for the selection
// dialog: kind 0 (vertical, more than 30 degrees) or 1 (horizontal, 30
// degrees or less).
QPixmap curtainArrangementPicture(int kind);

// The 32 x 32 icon of a kind as the tabs of the selection dialog and the
// calculator and the main window's device button show it.
QPixmap deviceIcon32(int kind);
