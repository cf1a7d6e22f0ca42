// The main window's chart beside the list, File > Export values, Ctrl+C in
// the list, and the logo and analysis settings of the settings dialog.
#include "ProgramFixture.h"

#include "QtPrinters.h"
#include "project/ValueExport.h"
#include "state/ProgramState.h"
#include "windows/SettingsForm.h"
#include "windows/StopTimesChart.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

} // namespace

class MainFormChartTest : public ProgramFixture
{
protected:
    TMainForm &startWith(std::initializer_list<double> values)
    {
        TMainForm &w = start();
        for (double v : values)
            w.ZpracujHodnotu_ms(v);
        return w;
    }
    QString path(const char *name) const { return tempDir.filePath(QLatin1String(name)); }
};

TEST_F(MainFormChartTest, ChartSharesTheRightColumnWithTheList)
{
    TMainForm &w = start();
    ASSERT_NE(w.Splitter_Chart, nullptr);
    EXPECT_EQ(w.Splitter_Chart->orientation(), Qt::Vertical);
    EXPECT_EQ(w.Splitter_Chart->widget(0), w.Chart_StopTimes);
    EXPECT_EQ(w.Splitter_Chart->widget(1), w.LW_data);
}

TEST_F(MainFormChartTest, FollowsArrivedAndDeletedValues)
{
    TMainForm &w = startWith({180.5, 190.0, 185.25});
    EXPECT_EQ(w.Chart_StopTimes->chartLayout().trace.size(), 3u);
    for (int i = 0; i < 9; ++i)
        w.ZpracujHodnotu_ms(186.0 + i);
    const ChartLayout &twelve = w.Chart_StopTimes->chartLayout();
    EXPECT_EQ(twelve.trace.size(), 12u);
    ASSERT_TRUE(twelve.tenthRunX.has_value());
    // The bold line is the statistic the indicators underline.
    const bool sigmaGoverns = w.Label_3Sigma->font().underline();
    EXPECT_EQ(twelve.lines[1].governing, sigmaGoverns);
    EXPECT_EQ(twelve.lines[2].governing, !sigmaGoverns);

    w.LW_data->selectRow(11);
    w.PopupDeleteRowsClick();
    EXPECT_EQ(w.Chart_StopTimes->chartLayout().trace.size(), 11u);
    fake.dialogs.confirmAnswers.push_back(mrOk);
    w.DeleteAll1Click();
    EXPECT_TRUE(w.Chart_StopTimes->chartLayout().trace.empty());
    EXPECT_TRUE(w.Chart_StopTimes->chartLayout().lines.empty());
}

TEST_F(MainFormChartTest, SelectionFollowsBothWays)
{
    TMainForm &w = startWith({180, 220, 190, 200});
    w.LW_data->selectRow(2);
    EXPECT_EQ(w.Chart_StopTimes->selectedRun(), std::optional<std::size_t>(2));

    // A click on the second run's point selects its row.
    const QPointF p = w.Chart_StopTimes->chartLayout().pointOf(1, 220);
    QMouseEvent press(QEvent::MouseButtonPress, p, w.Chart_StopTimes->mapToGlobal(p), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.Chart_StopTimes, &press);
    EXPECT_EQ(w.LW_data->selectionModel()->currentIndex().row(), 1);
    EXPECT_EQ(w.Chart_StopTimes->selectedRun(), std::optional<std::size_t>(1));

    QMouseEvent move(QEvent::MouseMove, p, w.Chart_StopTimes->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w.Chart_StopTimes, &move);
    EXPECT_EQ(w.Chart_StopTimes->hoverText(), QStringLiteral("#2: 220.0 ms"));
}

TEST_F(MainFormChartTest, ExportValuesWritesTheMarkOfTheChosenFileType)
{
    TMainForm &w = startWith({212.4, 0.1 + 0.2, 180});
    const std::vector<double> series = state().stopTimes();
    struct Case
    {
        const char *chosen; // the file type left chosen in the dialog
        DecimalMark mark;
    };
    const Case cases[] = {
        {"CSV, decimal point (*.csv)", DecimalMark::Point},
        {"CSV, decimal comma (*.csv)", DecimalMark::Comma},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.chosen);
        fake.dialogs.fileAnswers.push_back(path("values.csv"));
        fake.dialogs.filterAnswers.push_back(QLatin1String(c.chosen));
        w.ExportValues1->trigger();
        ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();
        EXPECT_EQ(readAll(path("values.csv")), valuesCsv(series, c.mark));
    }
    const FileDialogRequest &r = fake.dialogs.fileRequests.back();
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("csv"));
    // English (United States) writes a decimal point: that type comes first.
    EXPECT_EQ(r.selectedFilter, QStringLiteral("CSV, decimal point (*.csv)"));
    EXPECT_EQ(state().appSettings.LastDirectory, tempDir.path() + QLatin1Char('/'));

    // A file that cannot be written is an error the user sees.
    fake.dialogs.fileAnswers.push_back(path("missing/values.csv"));
    w.ExportValues1->trigger();
    ASSERT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_TRUE(fake.dialogs.errors[0].startsWith(QStringLiteral("Cannot create file"))) << fake.dialogs.errors[0].toStdString();
}

TEST_F(MainFormChartTest, CtrlCCopiesTheSelectedRow)
{
    TMainForm &w = startWith({212.44, 1234.56});
    QApplication::clipboard()->clear();
    w.LW_data->selectRow(1);
    w.PopupCopyRows->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("2\t1,234.6\n"));
    EXPECT_EQ(w.PopupCopyRows->shortcut(), QKeySequence(QKeySequence::Copy));
    EXPECT_TRUE(w.LW_data->actions().contains(w.PopupCopyRows));
}

TEST_F(MainFormChartTest, SettingsDialogKeepsTheAnalysisChoiceAndTheLogo)
{
    TMainForm &w = start();
    TSettingsForm &form = *forms().SettingsForm();
    const QString picture = path("company.png");
    QImage logo(200, 80, QImage::Format_RGB32);
    logo.fill(QColor(0, 90, 170));
    ASSERT_TRUE(logo.save(picture, "PNG"));

    // Choose a logo and clear the analysis page, then OK.
    fake.dialogs.fileAnswers.push_back(picture);
    fake.dialogs.onModal = [&](QDialog *) {
        form.FormShow();
        EXPECT_TRUE(form.CHB_AnalysisPage->isChecked());
        EXPECT_EQ(form.Label_LogoFile->text(), QStringLiteral("-"));
        form.Button_LogoChoose->click();
        EXPECT_EQ(form.Label_LogoFile->text(), QStringLiteral("company.png"));
        form.CHB_AnalysisPage->setChecked(false);
        return int(QDialog::Accepted);
    };
    w.submenu_SettingsClick();
    ASSERT_TRUE(fake.dialogs.errors.empty()) << fake.dialogs.errors.front().toStdString();
    EXPECT_FALSE(state().appSettings.AddAnalysisPage);
    EXPECT_EQ(state().appSettings.LogoFile, QStringLiteral("logo.png"));
    EXPECT_TRUE(QFile::exists(QDir(tempDir.path()).filePath(QStringLiteral("logo.png"))));
    // The header picture shows it.
    ASSERT_FALSE(w.Image1->pixmap().isNull());

    // Remove, but Cancel: nothing changes.
    fake.dialogs.onModal = [&](QDialog *) {
        form.FormShow();
        form.Button_LogoRemove->click();
        EXPECT_EQ(form.Label_LogoFile->text(), QStringLiteral("-"));
        return int(QDialog::Rejected);
    };
    w.submenu_SettingsClick();
    EXPECT_EQ(state().appSettings.LogoFile, QStringLiteral("logo.png"));

    // Remove and OK: the logo and its copy are gone.
    fake.dialogs.onModal = [&](QDialog *) {
        form.FormShow();
        form.Button_LogoRemove->click();
        return int(QDialog::Accepted);
    };
    w.submenu_SettingsClick();
    EXPECT_TRUE(state().appSettings.LogoFile.isEmpty());
    EXPECT_FALSE(QFile::exists(QDir(tempDir.path()).filePath(QStringLiteral("logo.png"))));
    EXPECT_TRUE(w.Image1->pixmap().isNull());

    // A file that is no picture is refused at once and the choice stays.
    const QString text = path("notes.png");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("no picture");
    f.close();
    fake.dialogs.fileAnswers.push_back(text);
    fake.dialogs.onModal = [&](QDialog *) {
        form.FormShow();
        form.Button_LogoChoose->click();
        EXPECT_EQ(form.Label_LogoFile->text(), QStringLiteral("-"));
        return int(QDialog::Accepted);
    };
    w.submenu_SettingsClick();
    ASSERT_EQ(fake.dialogs.errors.size(), 1u);
    EXPECT_TRUE(fake.dialogs.errors[0].contains(QStringLiteral("is not a PNG, JPEG or BMP picture")));
    EXPECT_TRUE(state().appSettings.LogoFile.isEmpty());
}
