// The machine archive in the windows: Save as and the report keep the
// measurement, a failed archive stops neither, the history window lists,
// warns and opens.
#include "ProgramFixture.h"
#include "QtPrinters.h"

#include "archive/Archive.h"
#include "archive/ArchiveInput.h"
#include "archive/ArchiveRecording.h"
#include "series/SeriesResult.h"
#include "settings/FileLocations.h"
#include "settings/IniFile.h"
#include "state/ProgramState.h"
#include "windows/DevSelectForm.h"
#include "windows/MachineHistoryForm.h"
#include "windows/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <cstring>

namespace {

std::vector<double> series(double first)
{
    std::vector<double> v;
    for (int i = 0; i < 12; ++i)
        v.push_back(first + 0.5 * i);
    return v;
}

class MachineArchiveWindows : public ProgramFixture
{
protected:
    QString archiveUrl() const { return QString::fromLocal8Bit(qgetenv("ZIRK_ARCHIVE")); }
    // What the archive holds once the window's deliveries are done.
    std::vector<ArchiveEntry> kept()
    {
        EXPECT_TRUE(forms().MainForm->waitForArchive());
        return Archive(parseArchiveUrl(archiveUrl())).entries();
    }

    // A series measured on Press 4, as if it had come from the instrument.
    void measure(TMainForm &window, const std::vector<double> &values)
    {
        state().setMachine(QStringLiteral("Press 4"), QStringLiteral("after brake repair"));
        changeInstrument([&](MeasuringInstrument &i) { i.serialNumber = QStringLiteral("0123456789ABCD"); });
        changeInstrument([&](MeasuringInstrument &i) { i.standstillSpeed = 10; });
        for (const double v : values)
            window.ZpracujHodnotu_ms(v);
    }
};

TEST_F(MachineArchiveWindows, SaveAsAndTheReportKeepTheMeasurementOnce)
{
    TMainForm &window = start();
    measure(window, series(100.0));
    const QString project = tempDir.filePath(QStringLiteral("Project_20261209_1030_.zPRJ"));
    fake.dialogs.fileAnswers = {project, tempDir.filePath(QStringLiteral("report.pdf"))};
    window.submenu_SaveAsClick();
    window.Generuj_Report();
    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();

    // The report of the same series, device and machine is not a second point.
    const std::vector<ArchiveEntry> entries = kept();
    ASSERT_EQ(entries.size(), 1u);
    const ArchiveEntry &e = entries[0];
    EXPECT_EQ(e.machineId, QStringLiteral("Press 4"));
    EXPECT_EQ(e.count, 12);
    EXPECT_EQ(e.measuredAt, fake.clock.current);
    const SeriesResult result = computeSeriesResult(series(100.0), state().safetyDevice());
    EXPECT_EQ(e.governingMs, result.governingMs);
    EXPECT_EQ(e.distanceMm, result.distanceMm);
    EXPECT_EQ(e.distanceMm, state().result().distanceMm); // what the indicators show
    EXPECT_EQ(e.serialNumber, QStringLiteral("0123456789ABCD"));
    EXPECT_EQ(e.filePath, project);
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(e.fileSha256, sha256Hex(file.readAll()));

    // Another value: the report keeps the new series, without a file.
    window.ZpracujHodnotu_ms(130.0);
    fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("report2.pdf"))};
    window.Generuj_Report();
    ASSERT_EQ(kept().size(), 2u);
    EXPECT_TRUE(kept()[1].filePath.isEmpty());
}

TEST_F(MachineArchiveWindows, AnArchiveThatCannotBeWrittenStopsNeitherSaveNorReport)
{
    const QString notes = tempDir.filePath(QStringLiteral("notes.txt"));
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("not a database\n").repeated(50));
    file.close();
    qputenv("ZIRK_ARCHIVE", ("sqlite://" + notes).toLocal8Bit());

    TMainForm &window = start();
    measure(window, series(100.0));
    const QString project = tempDir.filePath(QStringLiteral("p.zPRJ"));
    const QString report = tempDir.filePath(QStringLiteral("r.pdf"));
    fake.dialogs.fileAnswers = {project, report};
    window.submenu_SaveAsClick();
    EXPECT_TRUE(QFileInfo::exists(project));
    ASSERT_TRUE(window.waitForArchive());
    EXPECT_TRUE(window.statusText().startsWith(QStringLiteral("The archive could not be written: archive sqlite://")
                                               + notes))
        << window.statusText().toStdString();
    EXPECT_TRUE(window.statusText().contains(QLatin1String("not a database"))) << window.statusText().toStdString();
    window.Generuj_Report();
    EXPECT_TRUE(QFileInfo::exists(report));
    ASSERT_TRUE(window.waitForArchive());
    EXPECT_TRUE(window.statusText().startsWith(QStringLiteral("The archive could not be written")));
    EXPECT_TRUE(fake.dialogs.errors.empty());
    EXPECT_EQ(fake.shell.calls.size(), 1u);
}

TEST_F(MachineArchiveWindows, HistoryListsSearchesWarnsAndOpensAMeasurement)
{
    {
        Archive archive(parseArchiveUrl(archiveUrl()));
        auto add = [&archive](const char *machine, const char *when, double first, int kind,
                              std::optional<double> parameter) {
            ArchiveMeasurement m;
            m.machineId = QString::fromLatin1(machine);
            m.note = QStringLiteral("yearly check");
            m.measuredAt = QDateTime(QDate::fromString(QString::fromLatin1(when), Qt::ISODate), QTime(9, 30));
            m.stopTimes = std::vector<double>(10, first);
            m.deviceKind = kind;
            m.deviceParameter = parameter;
            m.result = computeSeriesResult(m.stopTimes, SafetyDevice::ofKind(kind, parameter));
            m.serialNumber = QStringLiteral("0123456789ABCD");
            m.standstillSpeed = 12;
            m.calibrationYear = 2025;
            m.calibrationMonth = 3;
            m.calibrationDay = 5;
            m.calibrated = true;
            archive.add(m);
        };
        add("Press 4", "2024-11-03", 90.0, 0, 14.0);
        add("Press 4", "2025-11-03", 100.0, 0, 14.0);
        add("Press 4", "2026-11-05", 114.0, 0, 14.0);
        // The press's door: a safeguard of its own, whose stop time is
        // never held against the light curtain's.
        add("Press 4", "2026-11-06", 60.0, 5, 850.0); // a door with C = 850 mm
        add("Laser cutter", "2026-01-10", 50.0, 3, 0.0);
    }
    TMainForm &window = start();
    TMachineHistoryForm *history = forms().MachineHistoryForm();
    history->FormShow();
    ASSERT_EQ(history->LW_machines->rowCount(), 2);
    EXPECT_EQ(history->LW_machines->item(0, 0)->text(), QStringLiteral("Laser cutter"));
    EXPECT_EQ(history->LW_machines->item(1, 0)->text(), QStringLiteral("Press 4"));
    EXPECT_EQ(history->LW_machines->item(1, 2)->text(), QStringLiteral("4"));

    history->Edit_Search->setText(QStringLiteral("PRESS"));
    ASSERT_EQ(history->LW_machines->rowCount(), 1);
    history->LW_machines->setCurrentCell(0, 0);
    ASSERT_EQ(history->LW_measurements->rowCount(), 3);
    EXPECT_EQ(history->LW_measurements->item(2, 0)->text(), QStringLiteral("2026-11-05 09:30"));
    EXPECT_EQ(history->LW_measurements->item(2, 1)->text(), QStringLiteral("10"));
    EXPECT_EQ(history->LW_measurements->item(2, 2)->text(), QStringLiteral("114 ms"));
    EXPECT_EQ(history->LW_measurements->item(2, 4)->text(), QStringLiteral("0123456789ABCD"));
    // 100 -> 114 ms: more than the 10 % of the setting; 90 -> 114 ms against
    // the first measurement, too.
    EXPECT_EQ(history->Label_Warning->text(),
              QStringLiteral("Stop time grew by 14 % since 2025-11-03: check the brake.\n"
                             "Stop time grew by 27 % since the reference of 2024-11-03: check the brake."));
    EXPECT_EQ(history->Label_Changes->text(),
              QStringLiteral("Change: 14.0 % against 2025-11-03, 26.7 % against the reference of 2024-11-03"));
    const TrendChartLayout chart = history->Chart->chartLayout();
    ASSERT_EQ(chart.governing.size(), 3u);
    EXPECT_EQ(chart.dateTicks.back().label, QStringLiteral("2026-11-05"));
    EXPECT_TRUE(chart.distance[0] && chart.distance[2]);
    // Drawn headless: the stop-time line in its colour where the layout
    // puts the latest point.
    history->Chart->resize(560, 220);
    QImage picture(history->Chart->size(), QImage::Format_RGB32);
    history->Chart->render(&picture);
    const TrendChartLayout drawn = history->Chart->chartLayout();
    EXPECT_EQ(picture.pixelColor(drawn.governing.back().toPoint()), QColor(30, 90, 200));

    // Open the latest measurement: the main window computes the distance
    // the archive kept.
    history->LW_measurements->setCurrentCell(2, 0);
    ASSERT_TRUE(history->Btn_Open->isEnabled());
    history->Btn_OpenClick();
    EXPECT_EQ(state().stopTimes(), std::vector<double>(10, 114.0));
    EXPECT_EQ(state().machineId(), QStringLiteral("Press 4"));
    EXPECT_EQ(state().note(), QStringLiteral("yearly check"));
    EXPECT_EQ(state().safetyDevice().ID, 0);
    EXPECT_EQ(state().instrument().serialNumber, QStringLiteral("0123456789ABCD"));
    EXPECT_EQ(state().instrument().standstillSpeed, 12);
    EXPECT_TRUE(state().instrument().calibrated);
    const SeriesResult curtain = computeSeriesResult(std::vector<double>(10, 114.0), SafetyDevice::ofKind(0, 14.0));
    EXPECT_EQ(state().result().distanceMm, curtain.distanceMm);
    EXPECT_EQ(window.Label_SafetyDevice->text(), QStringLiteral("Vertical Light Curtain"));

    // A threshold above one step but not above the creep since the first.
    state().appSettings.ArchiveTrendPercent = 15.0;
    history->FormShow();
    history->Edit_Search->clear();
    history->LW_machines->setCurrentCell(1, 0);
    EXPECT_EQ(history->Label_Warning->text(),
              QStringLiteral("Stop time grew by 27 % since the reference of 2024-11-03: check the brake."));

    // The brake was repaired before the second: the user marks it as the
    // reference, the archive keeps the mark, and the warning goes.
    history->LW_measurements->setCurrentCell(1, 0);
    ASSERT_TRUE(history->Btn_Reference->isEnabled());
    history->Btn_Reference->click();
    EXPECT_TRUE(history->Label_Warning->text().isEmpty()) << history->Label_Warning->text().toStdString();
    EXPECT_EQ(history->Label_Changes->text(),
              QStringLiteral("Change: 14.0 % against 2025-11-03, 14.0 % against the reference of 2025-11-03"));
    const std::vector<ArchiveEntry> press = Archive(parseArchiveUrl(archiveUrl())).entries(QStringLiteral("Press 4"));
    EXPECT_EQ(Archive(parseArchiveUrl(archiveUrl())).baseline(QStringLiteral("Press 4")), press[1].id);
}

TEST_F(MachineArchiveWindows, AnArchiveThatCannotBeReadIsNamedInTheHistoryWindow)
{
    qputenv("ZIRK_ARCHIVE", "postgresql://zirk@127.0.0.1:1/zirk");
    start();
    TMachineHistoryForm *history = forms().MachineHistoryForm();
    history->FormShow();
    EXPECT_EQ(history->LW_machines->rowCount(), 0);
    EXPECT_TRUE(history->Label_Archive->text().startsWith(QStringLiteral("archive postgresql://zirk@127.0.0.1:1/zirk")))
        << history->Label_Archive->text().toStdString();
}

TEST_F(MachineArchiveWindows, SettingsKeepTheArchiveAndThresholdOnlyOnceSet)
{
    TMainForm &window = start();
    ASSERT_TRUE(window.close());
    IniFile ini = IniFile::load(settingsFilePath());
    EXPECT_EQ(ini.readString(QStringLiteral("Settings"), QStringLiteral("ArchiveUrl"), QStringLiteral("-")),
              QStringLiteral("-"));
    EXPECT_EQ(ini.readString(QStringLiteral("Settings"), QStringLiteral("ArchiveTrendPercent"), QStringLiteral("-")),
              QStringLiteral("-"));
    program.reset();

    TMainForm &again = start();
    TSettingsForm *settings = forms().SettingsForm();
    fake.dialogs.onModal = [settings](QDialog *dialog) {
        if (dialog != settings)
            return int(QDialog::Rejected);
        settings->FormShow();
        settings->Edit_ArchiveUrl->setText(QStringLiteral(" postgresql://qa@db:5432/zirk "));
        settings->Edit_TrendPercent->setText(QStringLiteral("12.5"));
        return int(QDialog::Accepted);
    };
    again.submenu_SettingsClick();
    EXPECT_EQ(state().appSettings.ArchiveUrl, QStringLiteral("postgresql://qa@db:5432/zirk"));
    EXPECT_EQ(state().appSettings.ArchiveTrendPercent, 12.5);
    ASSERT_TRUE(again.close());
    program.reset();

    start();
    EXPECT_EQ(state().appSettings.ArchiveUrl, QStringLiteral("postgresql://qa@db:5432/zirk"));
    EXPECT_EQ(state().appSettings.ArchiveTrendPercent, 12.5);
}

// P1 on 1 January (100 ms) and 1 March (120 ms) warns.  Opening the older
// one and saving or reporting it again today adds no third point dated
// today, and the warning stays; the selection dialog shows the device the
// kept measurement was made behind.
TEST_F(MachineArchiveWindows, AKeptMeasurementOpenedAndSavedAgainIsNoNewPoint)
{
    {
        Archive archive(parseArchiveUrl(archiveUrl()));
        for (const auto &[when, ms] : {std::pair{"2024-01-01", 100.0}, std::pair{"2024-03-01", 120.0}}) {
            ArchiveMeasurement m;
            m.machineId = QStringLiteral("P1");
            m.measuredAt = QDateTime(QDate::fromString(QString::fromLatin1(when), Qt::ISODate), QTime(9, 30));
            m.stopTimes = std::vector<double>(10, ms);
            m.deviceKind = KindVerticalLightCurtain;
            m.deviceParameter = 30.0;
            m.result = computeSeriesResult(m.stopTimes, SafetyDevice::selected(KindVerticalLightCurtain, 30.0, false));
            archive.add(m);
        }
    }
    TMainForm &window = start();
    Tdevselectform *select = forms().devselectform();
    select->Edit_VLC_d->setText(QStringLiteral("14"));
    select->CheckBox_VLC_nonindustrial->setChecked(true);
    select->PageControl1->setCurrentIndex(KindDoor);
    TMachineHistoryForm *history = forms().MachineHistoryForm();
    history->FormShow();
    history->LW_machines->setCurrentCell(0, 0);
    ASSERT_EQ(history->LW_measurements->rowCount(), 2);
    history->LW_measurements->setCurrentCell(0, 0);
    history->Btn_OpenClick();
    EXPECT_EQ(state().lastValueAt(), QDateTime(QDate(2024, 1, 1), QTime(9, 30)));
    EXPECT_EQ(select->Edit_VLC_d->text(), QStringLiteral("30"));
    EXPECT_FALSE(select->CheckBox_VLC_nonindustrial->isChecked());
    EXPECT_EQ(select->PageControl1->currentIndex(), int(KindVerticalLightCurtain));
    EXPECT_EQ(select->selection(), state().safetyDevice());

    fake.clock.current = QDateTime(QDate(2026, 12, 10), QTime(11, 0));
    const QString project = tempDir.filePath(QStringLiteral("Project_20261210_1100_.zPRJ"));
    fake.dialogs.fileAnswers = {project, tempDir.filePath(QStringLiteral("reprint.pdf"))};
    window.submenu_SaveAsClick();
    window.Generuj_Report();
    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();
    const std::vector<ArchiveEntry> entries = kept();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.back().measuredAt, QDateTime(QDate(2024, 3, 1), QTime(9, 30)));

    // The saved file opened again is the same measurement too.
    fake.dialogs.fileAnswers = {project};
    window.submenu_OpenClick();
    fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("reprint2.pdf"))};
    window.Generuj_Report();
    EXPECT_EQ(kept().size(), 2u);

    history->FormShow();
    history->LW_machines->setCurrentCell(0, 0);
    EXPECT_EQ(history->Label_Warning->text().left(22), QStringLiteral("Stop time grew by 20 %"));
}

// The archive's folder cannot be made (a file stands where it would go): the
// measurement waits in the queue, survives the end of the program and goes
// at the next start, once the way is free.
TEST_F(MachineArchiveWindows, AQueuedMeasurementSurvivesARestartAndGoesAtTheNextStart)
{
    const QString blocker = tempDir.filePath(QStringLiteral("share"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString url = QStringLiteral("sqlite://") + blocker + QStringLiteral("/archive.sqlite");
    qputenv("ZIRK_ARCHIVE", url.toLocal8Bit());
    TMainForm &window = start();
    measure(window, series(100.0));
    fake.dialogs.fileAnswers = {tempDir.filePath(QStringLiteral("Project_20261209_1030_.zPRJ"))};
    window.submenu_SaveAsClick();
    ASSERT_TRUE(window.waitForArchive());
    EXPECT_TRUE(window.statusText().startsWith(QStringLiteral("The archive could not be written")))
        << window.statusText().toStdString();
    program.reset();

    ASSERT_TRUE(QFile::remove(blocker));
    TMainForm &again = start();
    ASSERT_TRUE(again.waitForArchive());
    EXPECT_EQ(again.statusText(), QStringLiteral("kept in the archive"));
    const std::vector<ArchiveEntry> entries = kept();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].machineId, QStringLiteral("Press 4"));
    EXPECT_EQ(entries[0].count, 12);
}

// The history opens on the fleet: every machine with its status, sortable,
// narrowed to those that need attention, and exported as CSV.
TEST_F(MachineArchiveWindows, TheOverviewShowsEachStatusSortsFiltersAndExports)
{
    const QDateTime today(QDate(2026, 12, 10), QTime(12, 0));
    fake.clock.current = today;
    {
        Archive archive(parseArchiveUrl(archiveUrl()));
        auto add = [&archive](const char *machine, const QDateTime &when, double ms,
                              std::optional<double> installedMm = std::nullopt) {
            ArchiveMeasurement m;
            m.machineId = QString::fromLatin1(machine);
            m.measuredAt = when;
            m.stopTimes = std::vector<double>(10, ms);
            m.deviceKind = 0;
            m.deviceParameter = 14.0;
            m.result = computeSeriesResult(m.stopTimes, SafetyDevice::ofKind(0, 14.0));
            m.standardId = QStringLiteral("iso13855-2010");
            if (installedMm) {
                m.entries.installedMm = installedMm;
                m.verdict = *installedMm < *m.result.distanceMm ? QStringLiteral("closer") : QStringLiteral("meets");
            }
            archive.add(m);
        };
        add("Press 10", today.addMonths(-2), 100.0);
        add("Press 10", today.addMonths(-1), 125.0);     // warning
        add("Press 9", today.addMonths(-13), 80.0);      // overdue
        add("Press 2", today.addMonths(-1), 90.0, 400.0); // ok
        add("Press 4", today.addMonths(-3), 95.0, 150.0); // closer
    }
    TMainForm &window = start();
    (void)window;
    TMachineHistoryForm *history = forms().MachineHistoryForm();
    history->FormShow();
    QTableWidget *table = history->LW_machines;
    ASSERT_EQ(table->rowCount(), 4);
    auto column = [table](int c) {
        QStringList texts;
        for (int r = 0; r < table->rowCount(); ++r)
            texts << table->item(r, c)->text();
        return texts;
    };
    EXPECT_EQ(column(0), (QStringList{"Press 2", "Press 4", "Press 9", "Press 10"}));
    EXPECT_EQ(column(10), (QStringList{"ok", "closer than the minimum", "overdue", "warning"}));
    EXPECT_EQ(column(9), (QStringList{"2027-11-10", "2027-09-10", "2026-11-10", "2027-11-10"}));
    EXPECT_EQ(table->item(3, 8)->text(), QStringLiteral("25.0 %"));
    // ZIRK_DOCS_SCREENSHOTS=folder: a picture of the overview for the manual.
    if (const QString docs = qEnvironmentVariable("ZIRK_DOCS_SCREENSHOTS"); !docs.isEmpty()) {
        history->show();
        table->resizeColumnsToContents();
        int width = table->verticalHeader()->width() + 2 * table->frameWidth();
        for (int c = 0; c < table->columnCount(); ++c)
            width += table->columnWidth(c);
        // The machines take three fifths of the window.
        history->resize(width * 5 / 3 + 60, 420);
        ASSERT_TRUE(history->grab().save(QDir(docs).filePath(QStringLiteral("fleet-overview.png"))));
        history->hide();
    }

    // Sorted by the number of measurements, not by their text.
    table->sortItems(2, Qt::DescendingOrder);
    EXPECT_EQ(column(0).first(), QStringLiteral("Press 10"));
    // A row chosen after sorting is the machine it shows.
    table->setCurrentCell(0, 0);
    EXPECT_EQ(history->LW_measurements->rowCount(), 2);

    history->CHB_Attention->setChecked(true);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_FALSE(column(10).contains(QStringLiteral("ok")));

    const QString csvFile = tempDir.filePath(QStringLiteral("machines.csv"));
    fake.dialogs.fileAnswers = {csvFile};
    history->Btn_Export->click();
    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();
    QFile csv(csvFile);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5); // header, three machines, the end
    EXPECT_TRUE(lines[1].startsWith("Press 10,")) << lines[1].constData();
    EXPECT_TRUE(lines[1].endsWith(",warning\r")) << lines[1].constData();
}

TEST_F(MachineArchiveWindows, SettingsRefuseAnArchiveUrlWithAPassword)
{
    TMainForm &window = start();
    TSettingsForm *settings = forms().SettingsForm();
    int result = -1;
    fake.dialogs.onModal = [settings, &result](QDialog *dialog) {
        if (dialog != settings)
            return int(QDialog::Rejected);
        settings->FormShow();
        settings->setResult(-1);
        settings->Edit_ArchiveUrl->setText(QStringLiteral("postgresql://alice:s3cr3t@db:5432/zirk"));
        settings->Button3->click();
        result = settings->result();
        // The user follows the advice and takes the password out.
        settings->Edit_ArchiveUrl->setText(QStringLiteral("postgresql://alice@db:5432/zirk"));
        settings->Button3->click();
        return settings->result();
    };
    window.submenu_SettingsClick();
    EXPECT_EQ(result, -1) << "OK closed the dialog with a password in the URL";
    ASSERT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_TRUE(fake.dialogs.errors[0].contains(QLatin1String("~/.pgpass"))) << fake.dialogs.errors[0].toStdString();
    EXPECT_FALSE(fake.dialogs.errors[0].contains(QLatin1String("s3cr3t")));
    EXPECT_EQ(state().appSettings.ArchiveUrl, QStringLiteral("postgresql://alice@db:5432/zirk"));
    ASSERT_TRUE(window.close());
    QFile file(settingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("s3cr3t"));
}

} // namespace

namespace {

// The selection dialog offers the safeguards the archive knows for the
// machine typed, read off the user-interface thread.
TEST_F(MachineArchiveWindows, TheSelectionDialogOffersTheSafeguardsTheArchiveKnows)
{
    {
        Archive archive(parseArchiveUrl(archiveUrl()));
        for (const char *name : {"Rear door", "Front light curtain", ""}) {
            ArchiveMeasurement m;
            m.machineId = QStringLiteral("P9");
            m.safeguard = QString::fromLatin1(name);
            m.measuredAt = QDateTime(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);
            m.stopTimes = std::vector<double>(10, 100.0 + std::strlen(name));
            archive.add(m);
        }
    }
    start();
    Tdevselectform *dialog = forms().devselectform();
    dialog->Edit_MachineID->setText(QStringLiteral("P9"));
    QElapsedTimer clock;
    clock.start();
    while (dialog->ComboBox_Safeguard->count() < 2 && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(dialog->ComboBox_Safeguard->count(), 2);
    // Named ones only, by name.
    EXPECT_EQ(dialog->ComboBox_Safeguard->itemText(0), QStringLiteral("Front light curtain"));
    EXPECT_EQ(dialog->ComboBox_Safeguard->itemText(1), QStringLiteral("Rear door"));
}

} // namespace
