#pragma once

#include "base/Seams.h"
#include "state/ProgramState.h"

#include <QDialog>
#include <QImage>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class Forms;
struct Platform;
class ProgramState;

// The four report pictures with their captions and include flags.  Slots are
// numbered 1 to 4 here as on screen; slots 1 and 2 make the first picture
// page of the report, 3 and 4 the second.  The window lives as long as the
// program, so the slots keep their content from one report to the next.
class Timagesform : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = kPictureSlotCount;

    Timagesform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent = nullptr);

    // The slot's bitmap (24-bit RGB).  A null image means "no picture" (after
    // File > New); the report then receives an empty bitmap.
    QImage picture(int slot) const;
    void setPicture(int slot, const QImage &picture);

    QLineEdit *edit(int slot) const;
    QCheckBox *checkBox(int slot) const;

    // A click on the picture of slot n: asks for a picture file, loads it and
    // ticks the slot's include flag.  Cancelling changes nothing; an error
    // leaves picture and flag as they were.
    void Image1Click();
    void Image2Click();
    void Image3Click();
    void Image4Click();

    // Loads the file last chosen in OpenPictureDialog1 into the slot whose
    // picture box is MyImage (see loadAnyPicture in ReportPictures.h).
    void LoadAnyPicture(QLabel *MyImage);

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

    // --- report: the rest of the window ---
    QLabel *Label1 = nullptr; // "Note:" above each caption field
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label7 = nullptr; // "Page 1"
    QLabel *Label8 = nullptr; // "Page 2"
    QFrame *Panel1 = nullptr;
    QFrame *Panel2 = nullptr;
    QFrame *Panel3 = nullptr;
    QFrame *Panel4 = nullptr;
    QFrame *Panel7 = nullptr;
    QPushButton *Button1 = nullptr;
    QLabel *Label_NoteCheck = nullptr; // what a note's field cannot keep
    // The picture dialog as this window sets it up; fileName holds the file
    // last chosen.  Shown through Dialogs::openPicture.
    FileDialogRequest OpenPictureDialog1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void imageClick(int slot);
    int slotOf(const QLabel *box) const;
    // The slot of the program state on its picture box, note and flag.
    void showSlot(int slot);

    ProgramState &m_state;
    Platform &m_platform;
    Forms &m_forms;
};
