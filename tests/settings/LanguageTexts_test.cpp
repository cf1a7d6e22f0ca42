#include "settings/LanguageTexts.h"

#include "series/StopTimesModel.h"
#include "settings/AppSettings.h"
#include "settings/IniFile.h"
#include "settings/MessageTexts.h"
#include "windows/WindowTexts.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTabWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "QtPrinters.h"

namespace {

QString shipped(const char *language)
{
    return QStringLiteral(ZIRK_SOURCE_DIR "/data/Languages/%1.ini").arg(QLatin1String(language));
}

QString id(const LanguageKey &k)
{
    return QLatin1String(k.section) + u'/' + QLatin1String(k.key);
}

// "Section/Key" of every key a shipped file holds, in its order, read
// from its lines rather than through the program's own list of keys, so a
// key added to English.ini alone shows up.
QStringList fileKeys(const QString &fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    QStringList keys;
    QString section;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString l = line.trimmed();
        if (l.startsWith(u'['))
            section = l.mid(1, l.indexOf(u']') - 1);
        else if (!l.startsWith(u';') && l.contains(u'='))
            keys << section + u'/' + l.left(l.indexOf(u'=')).trimmed();
    }
    return keys;
}

} // namespace

TEST(LanguageTexts, CaptionsReachEveryKindOfControl)
{
    QMainWindow main;
    QMenu *file = main.menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("menu_file"));
    QAction *exit = file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("submenu_Exit"));
    auto *central = new QWidget;
    auto *box = new QGroupBox(QStringLiteral("Tools"), central);
    box->setObjectName(QStringLiteral("GroupBox5"));
    auto *label = new QLabel(QStringLiteral("mm"), box);
    label->setObjectName(QStringLiteral("Label14"));
    main.setCentralWidget(central);
    // A dialog owned by the main window reuses a name; the main window's
    // key must not reach it.
    auto *dialog = new QDialog(&main);
    auto *tabs = new QTabWidget(dialog);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet5"));
    tabs->addTab(new QWidget, QStringLiteral("VLC"));
    tabs->addTab(page, QStringLiteral("E-stop"));
    auto *dialogLabel = new QLabel(QStringLiteral("[mm]"), page);
    dialogLabel->setObjectName(QStringLiteral("Label14"));
    auto *heading = new QLabel(QStringLiteral("Emergency Stop"), page);
    heading->setObjectName(QStringLiteral("Label5"));

    MessageTexts messages;
    AppSettings settings;
    std::vector<double> values;
    StopTimesModel list(values);
    LanguageTargets targets;
    targets.windows[std::size_t(TextWindow::Main)] = &main;
    targets.windows[std::size_t(TextWindow::DeviceSelect)] = dialog;
    targets.messages = &messages;
    targets.settings = &settings;
    targets.stopTimes = &list;

    const IniFile file1 = IniFile::fromBytes("[MainMenu]\nFile=Datei\nExit=\n"
                                             "[MainWindow]\nToolsCaption=Werkzeuge\nSafetyDistanceLabel=Abstand\n"
                                             "StopTimeColumnCaption=Nachlaufzeit [ms]\n"
                                             "ChartMeanCaption=Mittelwert\n"
                                             "[DevicesWindow]\nWindowCaption=Auswahl\nEStopAbbreviation=Not-Halt\n"
                                             "EStopText=Not-Halt-Taster\n"
                                             "[HMI]\nInvalidFileText=Kaputt\nHelpFileName=handbuch.pdf\n");
    applyLanguageTexts(LanguageTexts::read(file1), targets);
    EXPECT_EQ(file->title(), QStringLiteral("Datei"));
    EXPECT_EQ(exit->text(), QString());                       // an empty value is a caption
    EXPECT_EQ(box->title(), QStringLiteral("Werkzeuge"));
    EXPECT_EQ(label->text(), QStringLiteral("Abstand"));
    EXPECT_EQ(dialogLabel->text(), QStringLiteral("[mm]"));   // another window's control
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Auswahl"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Not-Halt"));
    EXPECT_EQ(heading->text(), QStringLiteral("Not-Halt-Taster"));
    EXPECT_EQ(list.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("#"));
    EXPECT_EQ(list.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Nachlaufzeit [ms]"));
    EXPECT_EQ(messages.InvalidFile, QStringLiteral("Kaputt"));
    EXPECT_EQ(messages.NoDeviceFound, QStringLiteral("No Zirk device found!"));
    EXPECT_EQ(settings.HelpFileName, QStringLiteral("handbuch.pdf"));
    // Texts a window reads by key, such as the chart's, come from the file
    // or their default.
    EXPECT_EQ(LanguageTexts::read(file1).text("MainWindow", "ChartMeanCaption"), QStringLiteral("Mittelwert"));
    EXPECT_EQ(LanguageTexts::read(file1).text("MainWindow", "ChartMaximumCaption"), QStringLiteral("Maximum"));

    // A file without the keys brings every default back.
    applyLanguageTexts(LanguageTexts::read(IniFile()), targets);
    EXPECT_EQ(file->title(), QStringLiteral("File"));
    EXPECT_EQ(exit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("E-stop"));
    EXPECT_EQ(heading->text(), QStringLiteral("Emergency stop"));
    EXPECT_EQ(list.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Stop Time [ms]"));
    EXPECT_EQ(messages.InvalidFile, QStringLiteral("Invalid/Corrupted file!"));
    EXPECT_EQ(settings.HelpFileName, QStringLiteral("user_manual_en.pdf"));
}

TEST(LanguageTexts, LabelCaptionsArePlainText)
{
    QMainWindow main;
    auto *central = new QWidget;
    auto *label = new QLabel(QStringLiteral("Safety Distance"), central);
    label->setObjectName(QStringLiteral("Label14"));
    main.setCentralWidget(central);
    LanguageTargets targets;
    targets.windows[std::size_t(TextWindow::Main)] = &main;

    applyLanguageTexts(LanguageTexts::read(IniFile::fromBytes("[MainWindow]\nSafetyDistanceLabel=<b>x</b> & <i>y\n")),
                       targets);
    EXPECT_EQ(label->text(), QStringLiteral("<b>x</b> & <i>y"));
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST(LanguageTexts, TheShippedEnglishFileHoldsEveryKeyWithItsDefault)
{
    const IniFile english = IniFile::load(shipped("English"));
    ASSERT_EQ(english.readString(QStringLiteral("AboutWindow"), QStringLiteral("WindowCaption"), {}),
              QStringLiteral("About..."));
    for (const LanguageKey &k : languageKeys()) {
        EXPECT_EQ(english.readString(QLatin1String(k.section), QLatin1String(k.key), QStringLiteral("<missing>")),
                  QString::fromUtf8(k.defaultText))
            << id(k).toStdString();
    }
}

TEST(LanguageTexts, TheShippedGermanFileTranslatesEveryKey)
{
    const IniFile german = IniFile::load(shipped("German"));
    ASSERT_EQ(german.encoding(), IniFile::Encoding::Utf8);
    QSet<QString> same;
    for (const LanguageKey &k : languageKeys()) {
        const QString text = german.readString(QLatin1String(k.section), QLatin1String(k.key), QStringLiteral("<missing>"));
        EXPECT_NE(text, QStringLiteral("<missing>")) << id(k).toStdString();
        EXPECT_FALSE(text.isEmpty()) << id(k).toStdString();
        if (text == QString::fromUtf8(k.defaultText))
            same.insert(id(k));
    }
    // Words German shares with English, and the manual that exists only in English.
    const QSet<QString> expectedSame = {
        QStringLiteral("MainWindow/MaximumTimeLabel"), QStringLiteral("Buttons/OKButtonCaption"),
        QStringLiteral("MainWindow/ChartMaximumCaption"), QStringLiteral("MainWindow/ChartTimeAxisCaption"),
        QStringLiteral("DevicesWindow/ScannerAbbreviation"), QStringLiteral("CalculatorWindow/ScannerAbbreviation"),
        QStringLiteral("HMI/HelpFileName")};
    EXPECT_EQ(same, expectedSame);
    EXPECT_EQ(german.readString(QStringLiteral("MainMenu"), QStringLiteral("Open"), {}), QStringLiteral("Öffnen"));
}

// Every key of English.ini, the texts other work adds included, is in the
// Czech file, in Czech: with diacritics, not a copy of the English.
TEST(LanguageTexts, TheShippedCzechFileHoldsEveryKeyOfEnglishIni)
{
    const IniFile czech = IniFile::load(shipped("Czech"));
    ASSERT_EQ(czech.encoding(), IniFile::Encoding::Utf8);
    const IniFile english = IniFile::load(shipped("English"));
    const QStringList keys = fileKeys(shipped("English"));
    ASSERT_GT(keys.size(), 100);
    QSet<QString> same;
    for (const QString &key : keys) {
        const QString section = key.section(u'/', 0, 0), name = key.section(u'/', 1);
        const QString text = czech.readString(section, name, QStringLiteral("<missing>"));
        EXPECT_NE(text, QStringLiteral("<missing>")) << key.toStdString();
        EXPECT_FALSE(text.isEmpty()) << key.toStdString();
        if (text == english.readString(section, name, {}))
            same.insert(key);
        // A text with a placeholder keeps every one of them.
        for (const QString &p : {QStringLiteral("%1"), QStringLiteral("%2"), QStringLiteral("%3"), QStringLiteral("%4")})
            EXPECT_EQ(text.contains(p), english.readString(section, name, {}).contains(p)) << key.toStdString();
    }
    // Words Czech shares with English, and the manual that exists only in English.
    const QSet<QString> expectedSame = {
        QStringLiteral("MainWindow/MaximumTimeLabel"), QStringLiteral("MainWindow/ChartMaximumCaption"),
        QStringLiteral("MainWindow/ChartTimeAxisCaption"), QStringLiteral("Buttons/OKButtonCaption"),
        QStringLiteral("HistoryWindow/ReferenceButton"), QStringLiteral("HMI/HelpFileName")};
    EXPECT_EQ(same, expectedSame);
    // Nothing the program reads is missing either; the German file is
    // checked the same way above.
    for (const LanguageKey &k : languageKeys())
        EXPECT_TRUE(keys.contains(id(k))) << id(k).toStdString();
    EXPECT_EQ(czech.readString(QStringLiteral("MainWindow"), QStringLiteral("SafetyDistanceLabel"), {}),
              QStringLiteral("Bezpečná vzdálenost"));
    EXPECT_EQ(czech.readString(QStringLiteral("DevicesWindow"), QStringLiteral("TwoHandText"), {}),
              QStringLiteral("Dvouruční ovládací zařízení"));
}

TEST(LanguageTexts, EveryKeyIsReadInTheOrderOfItsSection)
{
    // Keys of one section stay together: a section that reappears later
    // would mean a key was filed under the wrong section.
    QStringList order;
    for (const LanguageKey &k : languageKeys()) {
        if (order.isEmpty() || order.constLast() != QLatin1String(k.section)) {
            EXPECT_FALSE(order.contains(QLatin1String(k.section))) << k.section;
            order << QLatin1String(k.section);
        }
    }
    EXPECT_EQ(order, (QStringList{"MainMenu", "MainWindow", "HMI", "Buttons", "DevicesWindow", "CalculatorWindow",
                                  "ImagesWindow", "SettingsWindow", "AboutWindow", "HistoryWindow", "Report"}));
}
