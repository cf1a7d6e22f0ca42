#include "windows/NumberField.h"

#include <QLineEdit>
#include <QPalette>

void colourNumberField(QLineEdit *edit, bool isNumber)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, isNumber ? kNumberFieldSilver : kNumberFieldRed);
    edit->setPalette(palette);
}
