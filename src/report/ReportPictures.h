#pragma once

#include <QImage>
#include <QString>

// Pictures of the report slots.  The report places every slot picture in a
// 140 x 105 mm area, so a loaded picture is kept as a 4:3 bitmap of
// 640 x 480 pixels.

inline constexpr int kSlotPictureWidth = 640;
inline constexpr int kSlotPictureHeight = 480;

// What every slot shows before the user loads a picture: a camera beside a
// clicking mouse pointer, 270 x 210 pixels, 24-bit.  Drawn once.
QImage slotPlaceholderPicture();

// The note of a slot (1 to 4) until the user writes one: "Image 1" ... ;
// a project saved without touching the notes keeps these.
QString slotInitialNote(int slot);

// Where a picture of gw x gh pixels lands in the slot bitmap: against the top
// and left edges, the full width for a landscape picture, the full height
// otherwise, proportions kept with the divisions truncated.
QSize slotPictureArea(QSize picture);

// Reads a picture file (JPEG, PNG, BMP, GIF, ICO, whatever Qt's image readers
// know) and draws it into a white 640 x 480 RGB888 bitmap at
// slotPictureArea.  Throws ZirkError "Cannot open file "<name>". <reason>"
// for a file that cannot be opened and "Cannot load picture "<name>".
// <reason>" for one that does not decode.
QImage loadAnyPicture(const QString &fileName);

// The file dialog filter of the picture dialog, formats as the reader knows
// them.
QString pictureFileFilter();
