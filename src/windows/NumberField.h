#pragma once

#include <QColor>

class QLineEdit;

// Edit fields that must hold a number show at once whether they do:
// silver background for a number, red for anything else.
inline const QColor kNumberFieldSilver(0xC0, 0xC0, 0xC0);
inline const QColor kNumberFieldRed(0xFF, 0x00, 0x00);

void colourNumberField(QLineEdit *edit, bool isNumber);
