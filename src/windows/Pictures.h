#pragma once

#include <QIcon>
#include <QPixmap>

#include <functional>
#include <vector>

// The program's own pictures, drawn once here and looked up by index.

// Beacon: three round lamps side by side, 96 x 32 (states 0..3).
QPixmap beaconPicture(int state);

// Tool button glyphs.
enum class Glyph { Start, DeviceSelect, Settings, Images, Calculator };
QIcon glyphIcon(Glyph glyph);
// The start button's four states (up, disabled, down, held) as pixmaps.
QPixmap startGlyph(int state);

// The program's icon drawn at size x size pixels, for the desktop's icon
// theme (16 to 256).
QPixmap applicationIconPicture(int size);
// Icon of the application windows: the sizes a window manager shows beside
// a title or in a task switcher (16 to 64); the desktop's larger pictures
// come from the installed icon.
QIcon applicationIcon();

// An image list whose pictures are drawn at their first use, so that the
// start draws only those it shows.
class ImageList
{
public:
    ImageList(int count, std::function<QPixmap(int)> draw) : m_pictures(std::size_t(count)), m_draw(std::move(draw)) {}

    int size() const { return int(m_pictures.size()); }
    // Picture i, 0 <= i < size(), drawn once.
    QPixmap operator[](int i) const
    {
        QPixmap &picture = m_pictures[std::size_t(i)];
        if (picture.isNull())
            picture = m_draw(i);
        return picture;
    }

private:
    mutable std::vector<QPixmap> m_pictures;
    std::function<QPixmap(int)> m_draw;
};
