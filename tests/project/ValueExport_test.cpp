#include "project/ValueExport.h"

#include "QtPrinters.h"
#include "base/ErrorHandling.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// An RFC 4180 reader as strict as a spreadsheet's import: quoted fields with
// doubled quotes, CR LF between records.
std::vector<QStringList> readCsv(const QByteArray &bytes, char separator)
{
    std::vector<QStringList> records;
    QStringList record;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quoted) {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
                field.append('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.append(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            record << QString::fromUtf8(field);
            field.clear();
        } else if (c == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "CR without LF at " << i;
            record << QString::fromUtf8(field);
            field.clear();
            records.push_back(record);
            record.clear();
            ++i;
        } else {
            EXPECT_NE(c, '\n') << "bare LF at " << i;
            field.append(c);
        }
    }
    EXPECT_TRUE(field.isEmpty() && record.isEmpty()) << "last record without CR LF";
    return records;
}

const double kAwkward[] = {
    212.4,
    0.1 + 0.2, // 0.30000000000000004: the digits the instrument's sum really holds
    14999.9992,
    1e-7,
    123456789.125,
    -0.5,
    0.0,
    std::nextafter(100.0, 200.0),
    5e-324,
    1.7976931348623157e308,
};

} // namespace

TEST(ValueExport, ReadsBackUnderBothDecimalMarks)
{
    const std::vector<double> values(std::begin(kAwkward), std::end(kAwkward));
    struct Case
    {
        DecimalMark mark;
        char separator;
        QLocale spreadsheet; // the locale a spreadsheet reads the numbers in
    };
    const Case cases[] = {
        {DecimalMark::Point, ',', QLocale::c()},
        {DecimalMark::Comma, ';', QLocale(QLocale::German, QLocale::Germany)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.separator);
        const QByteArray csv = valuesCsv(values, c.mark);
        ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
        const std::vector<QStringList> records = readCsv(csv.mid(3), c.separator);
        ASSERT_EQ(records.size(), values.size() + 1);
        EXPECT_EQ(records[0], QStringList({"Run", "Stop time [ms]"}));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const QStringList &r = records[i + 1];
            ASSERT_EQ(r.size(), 2);
            EXPECT_EQ(r[0], QString::number(i + 1));
            bool ok = false;
            const double back = c.spreadsheet.toDouble(r[1], &ok);
            EXPECT_TRUE(ok) << r[1].toStdString();
            EXPECT_EQ(back, values[i]) << r[1].toStdString();
            // Every digit the value holds, and no more.
            EXPECT_FALSE(r[1].contains(c.mark == DecimalMark::Point ? ',' : '.')) << r[1].toStdString();
        }
    }
}

TEST(ValueExport, ShortestDigitsWithTheChosenMark)
{
    struct Case
    {
        double value;
        const char *point;
        const char *comma;
    };
    const Case cases[] = {
        {212.4, "212.4", "212,4"},
        {200.0, "200", "200"},
        {0.1 + 0.2, "0.30000000000000004", "0,30000000000000004"},
        {14999.9992, "14999.9992", "14999,9992"},
        {-0.5, "-0.5", "-0,5"},
        {1e-7, "1e-07", "1e-07"},
        // No number is an empty cell: "-nan" or "inf" would be a formula.
        {std::numeric_limits<double>::quiet_NaN(), "", ""},
        {-std::numeric_limits<double>::quiet_NaN(), "", ""},
        {std::numeric_limits<double>::infinity(), "", ""},
        {-std::numeric_limits<double>::infinity(), "", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(csvNumber(c.value, DecimalMark::Point), QByteArray(c.point));
        EXPECT_EQ(csvNumber(c.value, DecimalMark::Comma), QByteArray(c.comma));
    }
}

TEST(ValueExport, WholeFileBytes)
{
    const std::vector<double> values = {212.4, 180};
    EXPECT_EQ(valuesCsv(values, DecimalMark::Point),
              QByteArray("\xEF\xBB\xBFRun,Stop time [ms]\r\n1,212.4\r\n2,180\r\n"));
    EXPECT_EQ(valuesCsv(values, DecimalMark::Comma),
              QByteArray("\xEF\xBB\xBFRun;Stop time [ms]\r\n1;212,4\r\n2;180\r\n"));
    EXPECT_EQ(valuesCsv({}, DecimalMark::Point), QByteArray("\xEF\xBB\xBFRun,Stop time [ms]\r\n"));
    // A stored value that is no number: its run, and an empty cell.
    const std::vector<double> withNan = {212.4, -std::numeric_limits<double>::quiet_NaN(),
                                         -std::numeric_limits<double>::infinity()};
    EXPECT_EQ(valuesCsv(withNan, DecimalMark::Point),
              QByteArray("\xEF\xBB\xBFRun,Stop time [ms]\r\n1,212.4\r\n2,\r\n3,\r\n"));
}

TEST(ValueExport, FieldsQuotedWhereTheyWouldSplit)
{
    struct Case
    {
        const char *text;
        char separator;
        const char *field;
    };
    const Case cases[] = {
        {"212.4", ',', "212.4"},
        {"212,4", ',', "\"212,4\""},
        {"212,4", ';', "212,4"},
        {"a;b", ';', "\"a;b\""},
        {"say \"stop\"", ',', "\"say \"\"stop\"\"\""},
        {"two\r\nlines", ',', "\"two\r\nlines\""},
        {"", ',', ""},
        // Nothing that a spreadsheet would run as a formula.
        {"=HYPERLINK(\"http://x\")", ',', "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+1+1", ',', "'+1+1"},
        {"-nan", ',', "'-nan"},
        {"-inf", ';', "'-inf"},
        {"@SUM(A1)", ',', "'@SUM(A1)"},
        {"-0.5", ',', "-0.5"},
        {"-0,5", ';', "-0,5"},
        {"+3", ',', "+3"},
        {"-", ',', "'-"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(csvField(c.text, c.separator), QByteArray(c.field)) << c.text;
}

TEST(ValueExport, DefaultMarkFollowsTheLocale)
{
    struct Case
    {
        QLocale locale;
        DecimalMark mark;
    };
    const Case cases[] = {
        {QLocale::c(), DecimalMark::Point},
        {QLocale(QLocale::English, QLocale::UnitedStates), DecimalMark::Point},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), DecimalMark::Point},
        {QLocale(QLocale::German, QLocale::Germany), DecimalMark::Comma},
        {QLocale(QLocale::Czech, QLocale::CzechRepublic), DecimalMark::Comma},
        {QLocale(QLocale::French, QLocale::France), DecimalMark::Comma},
        {QLocale(QLocale::German, QLocale::Switzerland), DecimalMark::Point},
    };
    for (const Case &c : cases)
        EXPECT_EQ(defaultDecimalMark(c.locale), c.mark) << c.locale.name().toStdString();
}

TEST(ValueExport, SavesTheFileOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("values.csv"));
    const std::vector<double> values = {212.4, 180};
    saveValuesCsv(good, values, DecimalMark::Comma);
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), valuesCsv(values, DecimalMark::Comma));

    const QString nowhere = dir.filePath(QStringLiteral("no such folder/values.csv"));
    try {
        saveValuesCsv(nowhere, values, DecimalMark::Point);
        FAIL() << "a file in a missing folder was reported written";
    } catch (const ZirkError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"%1\".").arg(nowhere)))
            << e.message().toStdString();
    }
}

TEST(ValueExport, RowsForTheClipboardAsTheListShowsThem)
{
    const std::vector<double> values = {212.44, 1234.56, 180};
    struct Case
    {
        std::vector<int> rows;
        QLocale locale;
        const char *text;
    };
    const Case cases[] = {
        {{0}, QLocale(QLocale::English, QLocale::UnitedStates), "1\t212.4\n"},
        {{1, 2}, QLocale(QLocale::English, QLocale::UnitedStates), "2\t1,234.6\n3\t180.0\n"},
        {{1}, QLocale(QLocale::German, QLocale::Germany), "2\t1.234,6\n"},
        {{3, -1}, QLocale::c(), ""}, // rows that are gone
        {{}, QLocale::c(), ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rowsAsTabText(values, c.rows, c.locale), QString::fromUtf8(c.text));
}
