#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own pictures, drawn once here and looked up by index.

// Beacon: three round lamps side by side, 96 x 32 (states 0..3).
QPixmap beaconPicture(int state);

// Tool button glyphs.
enum class Glyph { Start, DeviceSelect, Settings, Images, Calculator };
QIcon glyphIcon(Glyph glyph);
// The start button's four states (up, disabled, down, held) as pixmaps.
QPixmap startGlyph(int state);

// Icon of the application windows.
QIcon applicationIcon();
