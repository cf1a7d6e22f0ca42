#include "ProgramFixture.h"
#include "ProjectCodePageScope.h"
#include "QtPrinters.h"

#include "project/ProjectMeasurement.h"
#include "safety/SafetyDevice.h"
#include "state/ProgramState.h"
#include "windows/DevicePictures.h"
#include "windows/DevSelectForm.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QValidator>
#include <QToolButton>

class DeviceSelection : public ProgramFixture
{
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        start();
        sel = forms().devselectform();
    }
    TMainForm &main() { return *program->mainForm(); }

    // Opens the dialog through the menu, edits it as the user would and
    // closes it with `result`.
    void choose(int result, const std::function<void()> &edit)
    {
        fake.dialogs.onModal = [&, result](QDialog *d) {
            d->show();
            edit();
            d->hide();
            return result;
        };
        main().submenu_DeviceSelect->trigger();
    }
    bool red(QLineEdit *e) const { return e->palette().color(QPalette::Base) == QColor(Qt::red); }

    Tdevselectform *sel = nullptr;
};

TEST_F(DeviceSelection, ResolutionCheckControlsTheNonIndustrialBox)
{
    sel->PageControl1->setCurrentIndex(0);
    struct Case { const char *d; bool red; bool enabled; bool checkedAfter; };
    // Each case starts with the box checked (where it can be).
    const Case cases[] = {
        {"14", false, true, true},   {"40", false, true, true},     {"40.5", false, false, false},
        {"abc", true, false, false}, {"", true, false, false},      {"-3", false, true, true},
        {"1e1", false, true, true},  {"14,5", true, false, false},  {"200", false, false, false},
    };
    for (const Case &c : cases) {
        sel->Edit_VLC_d->setText(QStringLiteral("20"));
        sel->CheckBox_VLC_nonindustrial->setChecked(true);
        sel->Edit_VLC_d->setText(QLatin1String(c.d));
        EXPECT_EQ(red(sel->Edit_VLC_d), c.red) << c.d;
        EXPECT_EQ(sel->CheckBox_VLC_nonindustrial->isEnabled(), c.enabled) << c.d;
        EXPECT_EQ(sel->CheckBox_VLC_nonindustrial->isChecked(), c.checkedAfter) << c.d;
    }
    // The check state survives a change between numbers up to 40.
    sel->Edit_VLC_d->setText(QStringLiteral("20"));
    sel->CheckBox_VLC_nonindustrial->setChecked(true);
    sel->Edit_VLC_d->setText(QStringLiteral("30"));
    EXPECT_TRUE(sel->CheckBox_VLC_nonindustrial->isChecked());

    for (QLineEdit *edit : {sel->Edit_HLC_H, sel->Edit_ScannerHeight}) {
        edit->setText(QStringLiteral("x1"));
        EXPECT_TRUE(red(edit));
        edit->setText(QStringLiteral("-100"));
        EXPECT_FALSE(red(edit));
    }
}

TEST_F(DeviceSelection, OkAppliesTheKindItsParameterAndTheReleaseOptions)
{
    struct Case {
        int tab;
        const char *params;
        const char *name;
        double d;
        double height;
        bool releaseEnabled;
    };
    const Case cases[] = {
        {3, "---", "Two Hand Control", -1, -1, false},
        {1, "H=250 mm", "Horizontal Light Curtain", -1, 250, true},
        {0, "d=14.5 mm", "Vertical Light Curtain", 14.5, -1, true},
        {2, "H=-1 mm", "Safety Scanner", -1, -1, true},  // "abc" is no number
        {4, "---", "Emergency stop", -1, -1, false},
        {5, "---", "Door", -1, -1, false},
        {6, "---", "Preassure Sensitive Mat", -1, -1, false},
    };
    sel->Edit_HLC_H->setText(QStringLiteral("250"));
    sel->Edit_VLC_d->setText(QStringLiteral("14.5"));
    sel->Edit_ScannerHeight->setText(QStringLiteral("abc"));
    for (const Case &c : cases) {
        main().CheckBox_Distance->setChecked(true);
        main().CheckBox_Speed->setChecked(true);
        choose(QDialog::Accepted, [&] {
            sel->PageControl1->setCurrentIndex(c.tab);
            sel->Edit_MachineID->setText(QStringLiteral("Press %1").arg(c.tab));
        });
        const SafetyDevice &device = state().safetyDevice();
        EXPECT_EQ(device.ID, c.tab);
        EXPECT_EQ(device.d, c.d) << c.tab;
        EXPECT_EQ(device.Height, c.height) << c.tab;
        EXPECT_EQ(device.Name, QLatin1String(c.name)) << c.tab;
        EXPECT_EQ(main().Label_SafetyDevice->text(), QLatin1String(c.name)) << c.tab;
        EXPECT_EQ(main().Label_DeviceParams->text(), QLatin1String(c.params)) << c.tab;
        EXPECT_EQ(main().Label_MachineID->text(), QStringLiteral("Press %1").arg(c.tab));
        for (QCheckBox *box : {main().CheckBox_Distance, main().CheckBox_Speed}) {
            EXPECT_FALSE(box->isChecked()) << c.tab;
            EXPECT_EQ(box->isEnabled(), c.releaseEnabled) << c.tab;
        }
        EXPECT_EQ(main().Image_Device->pixmap().toImage(), main().IL_devices_150[c.tab].toImage()) << c.tab;
        EXPECT_EQ(main().SB_DeviceSelect->icon().pixmap(32).toImage(), main().il_devices_32[c.tab].toImage());
    }
}

TEST_F(DeviceSelection, TheParameterTextUsesTheLocalesSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    choose(QDialog::Accepted, [&] {
        sel->PageControl1->setCurrentIndex(0);
        sel->Edit_VLC_d->setText(QStringLiteral("14,5"));
    });
    EXPECT_EQ(state().safetyDevice().d, 14.5);
    EXPECT_EQ(main().Label_DeviceParams->text(), QStringLiteral("d=14,5 mm"));
}

TEST_F(DeviceSelection, CancelKeepsTheSelectionButTheDialogKeepsItsEdits)
{
    state().setMachine(QStringLiteral("Press 1"), QStringLiteral("old note"));
    choose(QDialog::Rejected, [&] {
        // Opening shows the current kind and the main window's machine data.
        EXPECT_EQ(sel->PageControl1->currentIndex(), 0);
        EXPECT_EQ(sel->Edit_MachineID->text(), QStringLiteral("Press 1"));
        EXPECT_EQ(sel->Edit_Note->text(), QStringLiteral("old note"));
        sel->PageControl1->setCurrentIndex(5);
        sel->Edit_Door_C->setText(QStringLiteral("250"));
        sel->Edit_MachineID->setText(QStringLiteral("Press 2"));
        sel->Edit_VLC_d->setText(QStringLiteral("30"));
    });
    const SafetyDevice &device = state().safetyDevice();
    EXPECT_EQ(device.ID, 0);
    EXPECT_EQ(device.d, 14.0);
    EXPECT_EQ(main().Label_DeviceParams->text(), QStringLiteral("d=14 mm"));
    EXPECT_EQ(main().Label_MachineID->text(), QStringLiteral("Press 1"));
    EXPECT_EQ(sel->Edit_Door_C->text(), QStringLiteral("250"));
    EXPECT_EQ(sel->Edit_VLC_d->text(), QStringLiteral("30"));

    // The next opening shows the current kind's tab again and the machine
    // ID of the main window, with the edited parameters.
    choose(QDialog::Rejected, [&] {
        EXPECT_EQ(sel->PageControl1->currentIndex(), 0);
        EXPECT_EQ(sel->Edit_MachineID->text(), QStringLiteral("Press 1"));
        EXPECT_EQ(sel->Edit_VLC_d->text(), QStringLiteral("30"));
    });
}

TEST_F(DeviceSelection, TheDistanceFollowsTheAcceptedDoor)
{
    for (int i = 0; i < 10; ++i)
        main().ZpracujHodnotu_ms(100.0);
    choose(QDialog::Accepted, [&] {
        sel->PageControl1->setCurrentIndex(5);
        sel->Edit_Door_C->setText(QStringLiteral("250"));
    });
    EXPECT_DOUBLE_EQ(*state().result().distanceMm, 1600 * 0.1 + 250);
    EXPECT_EQ(state().safetyDevice().d, -1.0);
    EXPECT_EQ(state().safetyDevice().Height, -1.0);
}

TEST_F(DeviceSelection, AKindOutsideTheSevenShowsNoPicture)
{
    main().Nastav_obrazky_dle_DeviceID(7);
    const QImage shown = main().Image_Device->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(shown.isNull());
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 7)
            ASSERT_EQ(qAlpha(shown.pixel(x, y)), 0);
    EXPECT_TRUE(main().SB_DeviceSelect->icon().isNull());
}

TEST_F(DeviceSelection, EveryKindHasItsOwnPictureAndTabIcon)
{
    const ImageList &big = main().IL_devices_150;
    for (int kind = 0; kind < 7; ++kind) {
        const QImage image = big[kind].toImage();
        EXPECT_EQ(image.size(), QSize(150, 150));
        int painted = 0;
        for (int y = 0; y < 150; y += 3)
            for (int x = 0; x < 150; x += 3)
                painted += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(painted, 150) << kind;               // more than a few strokes
        for (int other = 0; other < kind; ++other)
            EXPECT_NE(image, big[other].toImage()) << kind << " " << other;
        EXPECT_FALSE(sel->PageControl1->tabIcon(kind).isNull());
    }
}

TEST_F(DeviceSelection, TheStandardAndTheEntriesItReadsAreAcceptedOnOK)
{
    for (int i = 0; i < 10; ++i)
        main().ZpracujHodnotu_ms(190.0);
    auto pick = [this](const char *id) {
        sel->ComboBox_Standard->setCurrentIndex(sel->ComboBox_Standard->findData(QLatin1String(id)));
    };
    choose(QDialog::Accepted, [&] {
        sel->PageControl1->setCurrentIndex(KindVerticalLightCurtain);
        sel->Edit_VLC_d->setText(QStringLiteral("30"));
        pick("iso13855-2024");
        // D_DS is the user's; the 2010 value is only a hint.
        EXPECT_TRUE(sel->Edit_Dds->isVisibleTo(sel));
        EXPECT_EQ(sel->Edit_Dds->placeholderText(), QStringLiteral("2010: 128"));
        EXPECT_FALSE(sel->Edit_Tr->isVisibleTo(sel));
        sel->PageControl1->setCurrentIndex(KindHorizontalLightCurtain);
        EXPECT_TRUE(sel->Edit_ZoneD->isVisibleTo(sel));
        EXPECT_FALSE(sel->Edit_Dds->isVisibleTo(sel));
        sel->PageControl1->setCurrentIndex(KindVerticalLightCurtain);

        pick("ansi-b11.19");
        EXPECT_TRUE(sel->Edit_Tr->isVisibleTo(sel));
        EXPECT_TRUE(sel->Edit_BrakeMonitor->isVisibleTo(sel));
        EXPECT_TRUE(sel->Edit_K->isVisibleTo(sel));
        EXPECT_FALSE(sel->Edit_Dds->isVisibleTo(sel));
        EXPECT_FALSE(sel->Edit_Dpf->isVisibleTo(sel)); // the light curtain's Dpf follows from d
        EXPECT_FALSE(sel->Edit_ZoneD->isVisibleTo(sel));
        sel->Edit_Tr->setText(QStringLiteral("59"));
        sel->Edit_BrakeMonitor->setText(QStringLiteral("225"));
        sel->Edit_Dds->setText(QStringLiteral("999")); // hidden: not this standard's entry
        sel->Edit_Installed->setText(QStringLiteral("20"));
        sel->ComboBox_InstalledUnit->setCurrentIndex(1); // inch
    });
    const DistanceChoice &c = state().distanceChoice();
    EXPECT_EQ(c.standardId, QStringLiteral("ansi-b11.19"));
    EXPECT_EQ(c.trMs, std::optional<double>(59.0));
    EXPECT_EQ(c.brakeMonitorMs, std::optional<double>(225.0));
    EXPECT_FALSE(c.ddsMm);
    EXPECT_FALSE(c.kMmPerS);
    EXPECT_EQ(c.installedMm, std::optional<double>(20 * 25.4));
    ASSERT_TRUE(state().result().distanceInch);
    EXPECT_NEAR(*state().result().distanceInch, 20.97, 0.005);
    ASSERT_TRUE(state().result().distance.verdict);
    EXPECT_FALSE(state().result().distance.verdict->meets);
    EXPECT_EQ(main().Label_StandardName->text(), QStringLiteral("ANSI B11.19 / CSA Z432"));

    // Cancel leaves the accepted choice as it was.
    choose(QDialog::Rejected, [&] { pick("osha-1910.217"); });
    EXPECT_EQ(state().distanceChoice().standardId, QStringLiteral("ansi-b11.19"));
}

namespace {

// Types text into the edit key by key, as the user would.
void type(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit, &release);
    }
}

} // namespace

// The dialog opens on what the measurement holds: after File > Open of a
// light curtain of d = 30 mm, OK with only the standard changed computes
// with d = 30, never with the 14 mm the field held before.
TEST_F(DeviceSelection, AfterOpeningAProjectOkWithOnlyTheStandardChangedKeepsItsResolution)
{
    Measurement m;
    m.stopTimes = std::vector<double>(10, 190.0);
    m.safetyDevice = SafetyDevice::selected(KindVerticalLightCurtain, 30.0);
    m.safetyDevice.Name = QStringLiteral("Vertical Light Curtain");
    m.distanceChoice = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ProjectRecord record;
    ProjectPictures pictures;
    writeMeasurement(m, record, pictures);
    const QString name = tempDir.filePath(QStringLiteral("d30.zPRJ"));
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(writeProjectFile(file, m.stopTimes, record, pictures));
    }
    ASSERT_EQ(sel->Edit_VLC_d->text(), QStringLiteral("14"));
    main().openProjectFile(name);
    ASSERT_EQ(state().safetyDevice().d, 30.0);
    choose(QDialog::Accepted, [&] {
        EXPECT_EQ(sel->Edit_VLC_d->text(), QStringLiteral("30"));
        EXPECT_EQ(sel->ComboBox_Standard->currentData().toString(), QStringLiteral("ansi-b11.19"));
        sel->ComboBox_Standard->setCurrentIndex(sel->ComboBox_Standard->findData(QStringLiteral("iso13855-2010")));
    });
    EXPECT_EQ(state().safetyDevice().d, 30.0);
    EXPECT_EQ(state().distanceChoice().standardId, QStringLiteral("iso13855-2010"));
    ASSERT_TRUE(state().result().distanceMm);
    // 2000 x 0.19 + 8 x 16 = 508 mm is above 500: 1600 x 0.19 + 128 = 432,
    // raised to 500 mm (with d = 14 it would be 380 mm).
    EXPECT_EQ(*state().result().distanceMm, Vypocet_VLC(0.19, 30.0));
    EXPECT_EQ(*state().result().distanceMm, 500.0);
    EXPECT_EQ(main().Label_DeviceParams->text(), QStringLiteral("d=30 mm"));
}

// The archive keeps the standard and the installed distance, not the
// entries: after a measurement from it the dialog names the entries the
// standard reads, until OK.
TEST_F(DeviceSelection, AfterAMeasurementFromTheArchiveTheDialogNamesTheEntriesNotKept)
{
    DistanceChoice ansi = DistanceChoice::of(QStringLiteral("ansi-b11.19"));
    ansi.installedMm = 300;
    state().setDistanceChoice(ansi);
    sel->setEntriesFromArchive(true);
    choose(QDialog::Accepted, [&] {
        ASSERT_TRUE(sel->Label_EntriesNotKept->isVisibleTo(sel));
        EXPECT_EQ(sel->Label_EntriesNotKept->text(),
                  QStringLiteral("The archive did not keep: Response time Tr, Brake monitor setting, Approach speed K"));
        EXPECT_EQ(sel->Edit_Installed->text(), QStringLiteral("300"));
    });
    choose(QDialog::Rejected, [&] { EXPECT_FALSE(sel->Label_EntriesNotKept->isVisibleTo(sel)); });
}

// A unit goes and comes with its field: no "[mm]" stands without an entry.
TEST_F(DeviceSelection, UnitLabelsAreShownOnlyWithTheirFields)
{
    choose(QDialog::Rejected, [&] {
        sel->PageControl1->setCurrentIndex(KindVerticalLightCurtain);
        struct Case
        {
            const char *standard;
            std::vector<const char *> shown;
        };
        const Case cases[] = {
            {"ansi-b11.19", {"Label_TrUnit", "Label_BrakeMonitorUnit", "Label_KUnit"}},
            {"iso13855-2024", {"Label_DdsUnit", "Label_ZUnit"}},
            {"iso13855-2010", {}},
            {"osha-1910.217", {"Label_TrUnit"}},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE(c.standard);
            sel->ComboBox_Standard->setCurrentIndex(sel->ComboBox_Standard->findData(QLatin1String(c.standard)));
            for (const char *unit : {"Label_ZoneDUnit", "Label_TrUnit", "Label_BrakeMonitorUnit", "Label_KUnit",
                                     "Label_DdsUnit", "Label_ZUnit", "Label_DpfUnit"}) {
                const QLabel *label = sel->findChild<QLabel *>(QLatin1String(unit));
                ASSERT_TRUE(label) << unit;
                const bool shown = std::find_if(c.shown.begin(), c.shown.end(), [unit](const char *s) {
                                       return qstrcmp(s, unit) == 0;
                                   }) != c.shown.end();
                EXPECT_EQ(label->isVisibleTo(sel), shown) << unit;
            }
        }
    });
}

// A line break or another control character in a machine ID or a note is
// refused as it is typed or pasted, and the dialog says why.
TEST_F(DeviceSelection, ControlCharactersAreRefusedInMachineIdAndNote)
{
    choose(QDialog::Rejected, [&] {
        for (QLineEdit *edit : {sel->Edit_MachineID, sel->Edit_Note}) {
            for (QString text : {QStringLiteral("Press 9\nPress 9  meets"), QStringLiteral("a\tb"),
                                 QStringLiteral("x\u0085")}) {
                int pos = 0;
                EXPECT_EQ(edit->validator()->validate(text, pos), QValidator::Invalid) << text.toStdString();
            }
            QString fine = QStringLiteral("Press 9");
            int pos = 0;
            EXPECT_EQ(edit->validator()->validate(fine, pos), QValidator::Acceptable);
        }
        // Pasted, as a forged ID would come.
        sel->Edit_MachineID->clear();
        sel->Edit_MachineID->insert(QStringLiteral("Press 9\nPress 9  meets"));
        EXPECT_TRUE(sel->Edit_MachineID->text().isEmpty());
        EXPECT_TRUE(sel->Label_MachineIDCheck->text().contains(QStringLiteral("control characters")))
            << sel->Label_MachineIDCheck->text().toStdString();
    });
}

TEST_F(DeviceSelection, TheMachineIdTakesOnlyWhatAProjectFileKeepsAndSaysSoWhileTyping)
{
    {
        const ProjectCodePageScope western(1252);
        choose(QDialog::Accepted, [&] {
            sel->Edit_MachineID->clear();
            EXPECT_FALSE(sel->Label_MachineIDCheck->isVisibleTo(sel));
            type(sel->Edit_MachineID, QStringLiteral("Presse Ω"));
            EXPECT_EQ(sel->Edit_MachineID->text(), QStringLiteral("Presse "));
            ASSERT_TRUE(sel->Label_MachineIDCheck->isVisibleTo(sel));
            EXPECT_EQ(sel->Label_MachineIDCheck->text(),
                      QStringLiteral("\"Ω\" cannot be kept: project files use Windows-1252."));
            EXPECT_EQ(QAccessible::queryAccessibleInterface(sel->Edit_MachineID)->text(QAccessible::Description),
                      sel->Label_MachineIDCheck->text());
            // The next key that is kept clears the message.
            type(sel->Edit_MachineID, QStringLiteral("Süd-7"));
            EXPECT_FALSE(sel->Label_MachineIDCheck->isVisibleTo(sel));

            sel->Edit_Note->setText(QString(100, QLatin1Char('n')));
            type(sel->Edit_Note, QStringLiteral("x"));
            EXPECT_EQ(sel->Edit_Note->text(), QString(100, QLatin1Char('n')));
            EXPECT_EQ(sel->Label_NoteCheck->text(), QStringLiteral("A project file keeps at most 100 characters here."));
        });
        EXPECT_EQ(state().machineId(), QStringLiteral("Presse Süd-7"));
        EXPECT_EQ(state().note(), QString(100, QLatin1Char('n')));

        // A machine ID that came from elsewhere is shown as the file will
        // keep it, and OK takes that.
        state().setMachine(QStringLiteral("Presse Ω-7"), QString());
        choose(QDialog::Accepted, [&] {
            EXPECT_EQ(sel->Label_MachineIDCheck->text(),
                      QStringLiteral("The project file keeps this as \"Presse ?-7\"."));
        });
        EXPECT_EQ(state().machineId(), QStringLiteral("Presse ?-7"));
    }
    {
        // On a Czech system the same dialog takes Czech.
        const ProjectCodePageScope czech(1250);
        choose(QDialog::Accepted, [&] {
            sel->Edit_MachineID->clear();
            type(sel->Edit_MachineID, QStringLiteral("Lis č. 4"));
            EXPECT_FALSE(sel->Label_MachineIDCheck->isVisibleTo(sel));
        });
        EXPECT_EQ(state().machineId(), QStringLiteral("Lis č. 4"));
    }
}

// The safeguard field beside the machine ID: checked as the machine ID is,
// with its own capacity and no control characters, opened on the current
// measurement's name and taken with OK.
TEST_F(DeviceSelection, TheSafeguardTakesOnlyWhatAProjectFileKeepsAndGoesWithOk)
{
    const ProjectCodePageScope western(1252);
    QLineEdit *edit = sel->ComboBox_Safeguard->lineEdit();
    ASSERT_TRUE(edit);
    auto description = [this] {
        return QAccessible::queryAccessibleInterface(sel->ComboBox_Safeguard)->text(QAccessible::Description);
    };
    struct Case
    {
        const char *what;
        QString before;
        QString typed; // inserted at once, as a paste is
        QString after;
        const char *message;
    };
    const Case cases[] = {
        {"a character the code page lacks", QStringLiteral("Tür "), QStringLiteral("Ω"), QStringLiteral("Tür "),
         "\"Ω\" cannot be kept: project files use Windows-1252."},
        {"a tab", QStringLiteral("Rear"), QStringLiteral("\tdoor"), QStringLiteral("Rear"),
         "Line breaks and other control characters (\\t) cannot be kept here."},
        {"a line break", QStringLiteral("Rear"), QStringLiteral("\n"), QStringLiteral("Rear"),
         "Line breaks and other control characters (\\n) cannot be kept here."},
        {"beyond 60 bytes", QString(60, QLatin1Char('s')), QStringLiteral("x"), QString(60, QLatin1Char('s')),
         "A project file keeps at most 60 characters here."},
        {"what fits", QStringLiteral("Front "), QStringLiteral("light curtain"), QStringLiteral("Front light curtain"),
         nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        choose(QDialog::Accepted, [&] {
            edit->setText(c.before);
            edit->setFocus();
            edit->end(false);
            edit->insert(c.typed);
            EXPECT_EQ(sel->ComboBox_Safeguard->currentText(), c.after);
            EXPECT_EQ(sel->Label_SafeguardCheck->isVisibleTo(sel), c.message != nullptr);
            if (c.message) {
                EXPECT_EQ(sel->Label_SafeguardCheck->text(), QString::fromUtf8(c.message));
                // A screen reader on the field hears why nothing was typed.
                EXPECT_EQ(description(), sel->Label_SafeguardCheck->text());
            }
        });
        EXPECT_EQ(state().safeguard(), c.after.trimmed());
    }

    // The dialog opens on the measurement's name; Cancel leaves it.
    state().setSafeguard(QStringLiteral("Rear door"));
    choose(QDialog::Rejected, [&] {
        EXPECT_EQ(sel->ComboBox_Safeguard->currentText(), QStringLiteral("Rear door"));
        sel->ComboBox_Safeguard->setEditText(QStringLiteral("Other"));
    });
    EXPECT_EQ(state().safeguard(), QStringLiteral("Rear door"));
    // Spaces at the ends are no part of the name; a blank one is none.
    choose(QDialog::Accepted, [&] { sel->ComboBox_Safeguard->setEditText(QStringLiteral("  Rear door  ")); });
    EXPECT_EQ(state().safeguard(), QStringLiteral("Rear door"));
    choose(QDialog::Accepted, [&] { sel->ComboBox_Safeguard->setEditText(QStringLiteral("   ")); });
    EXPECT_TRUE(state().safeguard().isEmpty());

    // A name from elsewhere that the file cannot keep is shown as it will be
    // kept, and OK takes that.
    state().setSafeguard(QStringLiteral("Tür Ω"));
    choose(QDialog::Accepted, [&] {
        EXPECT_EQ(sel->Label_SafeguardCheck->text(), QStringLiteral("The project file keeps this as \"Tür ?\"."));
    });
    EXPECT_EQ(state().safeguard(), QStringLiteral("Tür ?"));
}

TEST_F(DeviceSelection, TheSafeguardListOffersWhatItIsGivenForTheMachineId)
{
    std::vector<QString> asked;
    QObject::connect(sel, &Tdevselectform::machineIdEdited, [&asked](const QString &id) { asked.push_back(id); });
    state().setMachine(QStringLiteral("Press 9"), QString());
    state().setSafeguard(QStringLiteral("Rear door"));
    choose(QDialog::Accepted, [&] {
        // Each opening asks for the machine it opens on.
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back(), QStringLiteral("Press 9"));
        sel->setKnownSafeguards({QStringLiteral("Front light curtain"), QStringLiteral("Rear door")});
        // The list does not replace what the field holds.
        EXPECT_EQ(sel->ComboBox_Safeguard->currentText(), QStringLiteral("Rear door"));
        ASSERT_EQ(sel->ComboBox_Safeguard->count(), 2);
        EXPECT_EQ(sel->ComboBox_Safeguard->itemText(0), QStringLiteral("Front light curtain"));
        // ZIRK_SCREENSHOTS names a folder for pictures of the dialog.
        if (const QString shots = qEnvironmentVariable("ZIRK_SCREENSHOTS"); !shots.isEmpty())
            sel->grab().save(QDir(shots).filePath(QStringLiteral("device-select-safeguard.png")));

        // Another machine: the field asks again as the user types.
        asked.clear();
        type(sel->Edit_MachineID, QStringLiteral("X"));
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back(), QStringLiteral("Press 9X"));
        sel->setKnownSafeguards({});
        EXPECT_EQ(sel->ComboBox_Safeguard->count(), 0);
        EXPECT_EQ(sel->ComboBox_Safeguard->currentText(), QStringLiteral("Rear door"));

        // A safeguard picked from the list is the one OK takes.
        sel->setKnownSafeguards({QStringLiteral("E-stop operator side")});
        sel->ComboBox_Safeguard->setCurrentIndex(0);
        emit sel->ComboBox_Safeguard->textActivated(sel->ComboBox_Safeguard->currentText());
        EXPECT_FALSE(sel->Label_SafeguardCheck->isVisibleTo(sel));
    });
    EXPECT_EQ(state().machineId(), QStringLiteral("Press 9X"));
    EXPECT_EQ(state().safeguard(), QStringLiteral("E-stop operator side"));
}
