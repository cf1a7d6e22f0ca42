#pragma once

#include <QFont>
#include <QString>

class QBoxLayout;
class QDialog;
class QLabel;
class QPushButton;
class QWidget;

// Small pieces every window builds itself from.

// The system's fixed-pitch font; pixelSize 0 keeps its size.
QFont fixedFont(int pixelSize = 0, bool bold = false);

// A label carrying the name other parts of the program address it by
// (none when name is empty).
QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent = nullptr);

// A close button named Button1 with that caption, at the right of its own
// row at the end of layout, that closes dialog.  Enter in a field does not
// press it.
QPushButton *addCloseButton(QDialog *dialog, QBoxLayout *layout, const QString &caption);
