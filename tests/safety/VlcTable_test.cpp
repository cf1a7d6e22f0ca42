// The light-curtain table: its rows, its bytes and the export command.
#include "ProgramFixture.h"

#include "state/ProgramState.h"
#include "safety/VlcTable.h"

#include <QFile>
#include <QIODevice>
#include <gtest/gtest.h>

namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::German, QLocale::Germany);

struct RowCase
{
    int line;
    const char *text; // with a decimal point
};
const RowCase kRows[] = {
    {0, "time[ms]; d=14mm; d=14mm(Non_Industrial); d=30mm; d=40mm; d=41mm"},
    {1, "001; 100.00; 100.00; 130.00; 210.00; 851.60"},
    {100, "100; 200.00; 275.00; 328.00; 408.00; 1010.00"},
    {250, "250; 500.00; 575.00; 528.00; 608.00; 1250.00"},
    {251, "251; 500.00; 577.00; 529.60; 609.60; 1251.60"},
    {500, "500; 800.00; 1075.00; 928.00; 1008.00; 1650.00"},
};

// The row as a locale with the given decimal separator writes it.
QByteArray expectedLine(const RowCase &row, char decimal)
{
    QByteArray line(row.text);
    if (row.line > 0)
        line.replace('.', decimal);
    return line + "\r\n";
}

TEST(VlcTable, RowsUnderAPointAndACommaLocale)
{
    struct LocaleCase { const QLocale &locale; char decimal; };
    const LocaleCase locales[] = {{kPoint, '.'}, {kComma, ','}};
    for (const LocaleCase &l : locales) {
        const QList<QByteArray> lines = buildVlcTable(l.locale).split('\n');
        // 501 lines, each ended by CR LF: the split leaves one empty tail.
        ASSERT_EQ(lines.size(), 502) << l.decimal;
        EXPECT_TRUE(lines.last().isEmpty());
        for (int i = 0; i < 501; ++i)
            ASSERT_TRUE(lines[i].endsWith('\r')) << i;
        for (const RowCase &row : kRows) {
            EXPECT_EQ(lines[row.line] + '\n', expectedLine(row, l.decimal)) << row.line << ' ' << l.decimal;
            EXPECT_EQ(vlcTableLine(row.line, l.locale), expectedLine(row, l.decimal));
        }
    }
}

TEST(VlcTable, NonIndustrialColumnNeverSlowsTo1600)
{
    // 2000 mm/s over the whole range: each millisecond adds 2 mm.
    const QList<QByteArray> lines = buildVlcTable(kPoint).split('\n');
    for (int t = 13; t <= 500; ++t) {
        const double value = lines[t].split(';')[2].trimmed().toDouble();
        EXPECT_DOUBLE_EQ(value, 2.0 * t + 75.0) << t;
    }
}

// A device that takes a number of lines and then fails.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(int linesTaken) : m_left(linesTaken) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_left-- <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, size);
        return size;
    }

private:
    int m_left;
};

TEST(VlcTable, WritingStopsAtTheFirstFailureAndKeepsWhatWasWritten)
{
    FailingDevice device(3);
    EXPECT_FALSE(writeVlcTable(device, kPoint));
    EXPECT_EQ(device.written, vlcTableLine(0, kPoint) + vlcTableLine(1, kPoint) + vlcTableLine(2, kPoint));

    FailingDevice roomy(kVlcTableLineCount);
    EXPECT_TRUE(writeVlcTable(roomy, kPoint));
    EXPECT_EQ(roomy.written, buildVlcTable(kPoint));
}

class GenerateVlcTable : public ProgramFixture
{
protected:
    QByteArray exportTo(const QString &path)
    {
        fake.dialogs.fileAnswers.push_back(path);
        mainForm->GenerateVLCtable1->trigger();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void SetUp() override
    {
        ProgramFixture::SetUp();
        mainForm = &start();
        state().appSettings.LastDirectory = tempDir.path();
    }
    TMainForm *mainForm = nullptr;
};

TEST_F(GenerateVlcTable, WritesTheTableWhereTheUserChose)
{
    const QString path = tempDir.filePath(QStringLiteral("vlc.csv"));
    EXPECT_EQ(exportTo(path), buildVlcTable(kPoint));
    EXPECT_TRUE(fake.dialogs.errors.empty());

    ASSERT_EQ(fake.dialogs.fileRequests.size(), 1u);
    const FileDialogRequest &r = fake.dialogs.fileRequests[0];
    EXPECT_EQ(r.directory, tempDir.path());
    EXPECT_TRUE(r.fileName.isEmpty());
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("csv"));
    EXPECT_EQ(r.filter, QStringLiteral("All files (*.*);;CSV files (*.csv)"));
    EXPECT_EQ(r.selectedFilter, QStringLiteral("CSV files (*.csv)"));
    EXPECT_TRUE(r.confirmOverwrite);
    // The export does not move the last-used folder.
    EXPECT_EQ(state().appSettings.LastDirectory, tempDir.path());
}

TEST_F(GenerateVlcTable, FollowsTheUsersDecimalSeparatorAndReplacesAnOldFile)
{
    const QString path = tempDir.filePath(QStringLiteral("vlc.csv"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    QLocale::setDefault(kComma);
    const QByteArray bytes = exportTo(path);
    EXPECT_EQ(bytes, buildVlcTable(kComma));
    EXPECT_TRUE(bytes.contains("\r\n100; 200,00; 275,00; 328,00; 408,00; 1010,00\r\n"));
}

TEST_F(GenerateVlcTable, CancelWritesNothing)
{
    mainForm->GenerateVLCtable1->trigger();
    EXPECT_EQ(fake.dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(fake.dialogs.errors.empty());
    EXPECT_TRUE(QDir(tempDir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(GenerateVlcTable, FailuresReachTheUserAsTheSystemsError)
{
    struct Case { const char *what; QString path; QString error; };
    const Case cases[] = {
        {"folder missing", tempDir.filePath(QStringLiteral("missing/vlc.csv")), QStringLiteral("No such file or directory")},
        {"disk full", QStringLiteral("/dev/full"), QStringLiteral("No space left on device")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fake.dialogs.errors.clear();
        fake.dialogs.fileAnswers.push_back(c.path);
        mainForm->GenerateVLCtable1->trigger();
        ASSERT_EQ(fake.dialogs.errors.size(), 1u);
        EXPECT_TRUE(fake.dialogs.errors[0].contains(c.error)) << fake.dialogs.errors[0].toStdString();
    }
}

} // namespace
