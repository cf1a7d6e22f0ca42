#include "ProgramFixture.h"
#include "ProjectCodePageScope.h"

#include "state/ProgramState.h"
#include "windows/ImagesForm.h"
#include "windows/OpenPictureDialog.h"
#include "project/ProjectMeasurement.h"
#include "report/ReportPictures.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

#include <functional>

class ImagesFormTest : public ProgramFixture
{
protected:
    Timagesform &images() { return *forms().imagesform(); }

    QString savePicture(const char *name, int w, int h, QColor colour)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = tempDir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    static void click(QLabel *box)
    {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), box->mapToGlobal(QPointF(10, 10)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 10), box->mapToGlobal(QPointF(10, 10)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &press);
        QCoreApplication::sendEvent(box, &release);
    }
};

TEST_F(ImagesFormTest, StartsWithPlaceholderCaptionsAndClearedFlags)
{
    start();
    Timagesform &f = images();
    EXPECT_EQ(f.size(), QSize(565, 661));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Images"));
    EXPECT_EQ(f.Label7->text(), QStringLiteral("Page 1"));
    EXPECT_EQ(f.Label8->text(), QStringLiteral("Page 2"));
    EXPECT_EQ(f.Button1->text(), QStringLiteral("OK"));
    QLabel *const notes[] = {f.Label1, f.Label2, f.Label3, f.Label4};
    QLabel *const boxes[] = {f.Image1, f.Image2, f.Image3, f.Image4};
    for (int slot = 1; slot <= 4; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(f.picture(slot), slotPlaceholderPicture());
        EXPECT_EQ(f.edit(slot)->text(), QStringLiteral("Image %1").arg(slot));
        EXPECT_FALSE(f.checkBox(slot)->isChecked());
        EXPECT_EQ(f.checkBox(slot)->text(), QStringLiteral("Include in pdf Report"));
        EXPECT_EQ(notes[slot - 1]->text(), QStringLiteral("Note:"));
        EXPECT_EQ(boxes[slot - 1]->toolTip(), QStringLiteral("Click to Load a Picture"));
        EXPECT_EQ(boxes[slot - 1]->size(), QSize(240, 180));
        // Shown scaled down in proportion: 270 x 210 fits as 231 x 180.
        EXPECT_EQ(boxes[slot - 1]->pixmap().size(), QSize(231, 180));
    }
}

TEST_F(ImagesFormTest, ClickLoadsThePictureIntoItsSlotAndTicksTheFlag)
{
    start();
    Timagesform &f = images();
    const QString file = savePicture("wide.png", 1000, 500, Qt::red);
    const std::function<void()> clicks[] = {[&] { f.Image1Click(); }, [&] { f.Image2Click(); },
                                            [&] { f.Image3Click(); }, [&] { f.Image4Click(); }};
    for (int slot = 1; slot <= 4; ++slot) {
        SCOPED_TRACE(slot);
        fake.dialogs.fileAnswers.push_back(file);
        clicks[slot - 1]();
        const QImage p = f.picture(slot);
        ASSERT_EQ(p.size(), QSize(640, 480));
        EXPECT_EQ(p.pixelColor(0, 319), QColor(Qt::red));
        EXPECT_EQ(p.pixelColor(0, 320), QColor(Qt::white));
        EXPECT_TRUE(f.checkBox(slot)->isChecked());
        // The other slots are untouched.
        for (int other = slot + 1; other <= 4; ++other)
            EXPECT_EQ(f.picture(other), slotPlaceholderPicture());
    }
    ASSERT_EQ(fake.dialogs.fileRequests.size(), 4u);
    EXPECT_EQ(fake.dialogs.fileRequests[0].filter, pictureFileFilter());
}

TEST_F(ImagesFormTest, CancelAndErrorsLeavePictureAndFlagAsTheyWere)
{
    start();
    Timagesform &f = images();
    QFile junk(tempDir.filePath(QStringLiteral("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();

    struct Case
    {
        const char *name;
        QString answer; // empty: the user cancels
        bool errorShown;
    };
    const Case cases[] = {
        {"cancel", QString(), false},
        {"missing file", tempDir.filePath(QStringLiteral("gone.jpg")), true},
        {"undecodable file", junk.fileName(), true},
    };
    for (bool ticked : {false, true}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (ticked ? ", ticked" : ", cleared"));
            fake.dialogs.errors.clear();
            f.CheckBox2->setChecked(ticked);
            if (!c.answer.isEmpty())
                fake.dialogs.fileAnswers.push_back(c.answer);
            // A real click goes through the general error handling.
            click(f.Image2);
            EXPECT_EQ(f.picture(2), slotPlaceholderPicture());
            EXPECT_EQ(f.CheckBox2->isChecked(), ticked);
            EXPECT_EQ(fake.dialogs.errors.size(), c.errorShown ? 1u : 0u);
        }
    }
    ASSERT_FALSE(fake.dialogs.errors.empty());
    EXPECT_TRUE(fake.dialogs.errors.back().startsWith(QStringLiteral("Cannot load picture \"")));
}

TEST_F(ImagesFormTest, ClearingTheFlagKeepsThePicture)
{
    start();
    Timagesform &f = images();
    fake.dialogs.fileAnswers.push_back(savePicture("tall.png", 300, 600, Qt::blue));
    click(f.Image3);
    ASSERT_TRUE(f.CheckBox3->isChecked());
    f.CheckBox3->setChecked(false);
    const QImage p = f.picture(3);
    EXPECT_EQ(p.pixelColor(239, 479), QColor(Qt::blue));
    EXPECT_EQ(p.pixelColor(240, 0), QColor(Qt::white));
}

TEST_F(ImagesFormTest, PictureDialogStartsInTheLastPictureFolderAndRemembersIt)
{
    start();
    Timagesform &f = images();
    state().appSettings.LastPictureDirectory = QStringLiteral("/srv/photos/");
    const QString file = savePicture("sq.png", 50, 50, Qt::green);
    fake.dialogs.fileAnswers.push_back(file);
    f.Image1Click();
    ASSERT_EQ(fake.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(fake.dialogs.fileRequests[0].directory, QStringLiteral("/srv/photos/"));
    EXPECT_EQ(state().appSettings.LastPictureDirectory, tempDir.path() + QLatin1Char('/'));
    // Cancel keeps the folder.
    f.Image1Click();
    EXPECT_EQ(fake.dialogs.fileRequests[1].directory, tempDir.path() + QLatin1Char('/'));
    EXPECT_EQ(state().appSettings.LastPictureDirectory, tempDir.path() + QLatin1Char('/'));
}

TEST_F(ImagesFormTest, MenuAndToolButtonShowTheWindowAndKeepEveryChange)
{
    TMainForm &w = start();
    fake.dialogs.onModal = [&](QDialog *dialog) {
        images().Edit1->setText(QStringLiteral("Press brake"));
        images().CheckBox4->setChecked(true);
        dialog->reject(); // the title-bar close button
        return int(QDialog::Rejected);
    };
    w.submenu_Images->trigger();
    w.SB_Images->click();
    ASSERT_EQ(fake.dialogs.modalShown.size(), 2u);
    EXPECT_EQ(fake.dialogs.modalShown[0], forms().imagesform());
    EXPECT_EQ(fake.dialogs.modalShown[1], forms().imagesform());
    EXPECT_EQ(images().Edit1->text(), QStringLiteral("Press brake"));
    EXPECT_TRUE(images().CheckBox4->isChecked());
}

// A note keeps only what its field in the project file keeps.
TEST_F(ImagesFormTest, ANoteTakesOnlyWhatTheProjectFileKeepsAndSaysWhy)
{
    const ProjectCodePageScope westernEuropean(1252);
    start();
    images().show();
    QLineEdit *edit = images().Edit2;
    edit->clear();
    edit->setFocus();
    for (const QChar c : QStringLiteral("Lis č")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(state().pictureSlot(2).note, QStringLiteral("Lis "));
    EXPECT_TRUE(images().Label_NoteCheck->isVisibleTo(&images()));
    EXPECT_EQ(images().Label_NoteCheck->text(), QStringLiteral("\"č\" cannot be kept: project files use Windows-1252."));
    images().hide();
}

TEST_F(ImagesFormTest, OkButtonClosesWithOk)
{
    start();
    Timagesform &f = images();
    f.show();
    f.Button1->click();
    EXPECT_EQ(f.result(), int(QDialog::Accepted));
    EXPECT_FALSE(f.isVisible());
}

TEST_F(ImagesFormTest, PictureDialogPreviewsThePictureUnderTheCursor)
{
    const QString picture = savePicture("preview.png", 800, 400, Qt::darkCyan);
    QFile text(tempDir.filePath(QStringLiteral("readme.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("text");
    text.close();

    FileDialogRequest request;
    request.directory = tempDir.path();
    request.filter = pictureFileFilter();
    OpenPictureDialog dialog(nullptr, request);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(dialog.isAncestorOf(dialog.preview()));
    EXPECT_EQ(dialog.preview()->text(), QStringLiteral("No preview"));

    emit dialog.currentChanged(picture);
    ASSERT_FALSE(dialog.preview()->pixmap().isNull());
    EXPECT_EQ(dialog.preview()->pixmap().size(), QSize(216, 108));
    EXPECT_EQ(dialog.previewSize()->text(), QStringLiteral("800 x 400"));

    emit dialog.currentChanged(text.fileName());
    EXPECT_TRUE(dialog.preview()->pixmap().isNull());
    EXPECT_EQ(dialog.preview()->text(), QStringLiteral("No preview"));
    EXPECT_TRUE(dialog.previewSize()->text().isEmpty());
}
