#pragma once

#include <QDialog>
#include <QImage>

class QCheckBox;
class QLabel;
class QLineEdit;
struct Forms;
struct Platform;
struct ProgramState;

// The four report pictures with their captions and include flags.  Slots are
// numbered 1 to 4 here as on screen; slots 1 and 2 make the first picture
// page of the report, 3 and 4 the second.
class Timagesform : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = 4;

    Timagesform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    // The slot's bitmap (24-bit RGB).  A null image means "no picture" (after
    // File > New); the report then receives an empty bitmap.
    QImage picture(int slot) const;
    void setPicture(int slot, const QImage &picture);

    QLineEdit *edit(int slot) const;
    QCheckBox *checkBox(int slot) const;

    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Image3 = nullptr;
    QLabel *Image4 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QLineEdit *Edit3 = nullptr;
    QLineEdit *Edit4 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QCheckBox *CheckBox3 = nullptr;
    QCheckBox *CheckBox4 = nullptr;

private:
    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
    QImage m_pictures[kSlotCount];
};
