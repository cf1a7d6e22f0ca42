#include "ProgramFixture.h"

#include "state/ProgramState.h"
#include "windows/ElidedLabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>

#include "QtPrinters.h"

namespace {

const QChar kEllipsis(0x2026);

QString longNote()
{
    QString note;
    for (int i = 1; note.size() < 250; ++i)
        note += QStringLiteral("brake %1 checked after repair, ").arg(i);
    return note.left(250);
}

} // namespace

TEST(ElidedLabel, WrapsAtWordsAndCutsTheLastLineThatFits)
{
    QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("brake 10 checked after")) + 2;
    struct Case
    {
        const char *name;
        QString text;
        int maxLines;
        int lines;      // expected number of lines
        bool ellipsis;  // the last one cut
    };
    const Case cases[] = {
        {"empty", QString(), 3, 0, false},
        {"one short line", QStringLiteral("Left guard"), 3, 1, false},
        {"two lines in room for three", QStringLiteral("brake 10 checked after repair"), 3, 2, false},
        {"a 250-character note in three lines", longNote(), 3, 3, true},
        {"a 250-character note in one line", longNote(), 1, 1, true},
        {"a word longer than a line", QString(300, QLatin1Char('x')), 2, 2, true},
        {"line breaks count as blanks", QStringLiteral("Left\nguard"), 1, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList lines = elideToLines(c.text, font, width, c.maxLines);
        ASSERT_EQ(lines.size(), c.lines) << lines.join(u'|').toStdString();
        for (const QString &line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), width) << line.toStdString();
        if (!lines.isEmpty()) {
            EXPECT_EQ(lines.last().endsWith(kEllipsis), c.ellipsis) << lines.last().toStdString();
        }
        // What shows is the text from its start, nothing left out before the cut.
        const auto letters = [](QString text) {
            text.remove(kEllipsis);
            text.remove(QRegularExpression(QStringLiteral("\\s")));
            return text;
        };
        EXPECT_TRUE(letters(c.text).startsWith(letters(lines.join(QString())))) << lines.join(u'|').toStdString();
    }
}

class NoteLabel : public ProgramFixture
{
};

// A 250-character note used to be clipped at top and bottom with half lines
// showing.
TEST_F(NoteLabel, ALongNoteShowsWholeLinesAndTheRestAsToolTip)
{
    TMainForm &main = start();
    const QString note = longNote();
    state().setMachine(QStringLiteral("Press 7"), note);
    QApplication::processEvents();

    auto *label = qobject_cast<ElidedLabel *>(main.Label_Note);
    ASSERT_TRUE(label) << main.Label_Note->metaObject()->className();
    EXPECT_EQ(label->text(), note); // the report and the settings take the whole note
    EXPECT_EQ(label->toolTip(), note);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);

    const QStringList lines = label->shownLines();
    ASSERT_FALSE(lines.isEmpty());
    const QRect area = label->contentsRect();
    EXPECT_LE(int(lines.size()) * label->fontMetrics().lineSpacing(), area.height());
    for (const QString &line : lines)
        EXPECT_LE(label->fontMetrics().horizontalAdvance(line), area.width()) << line.toStdString();
    EXPECT_TRUE(lines.last().endsWith(kEllipsis)) << lines.join(u'|').toStdString();

    // A short note shows whole, without an ellipsis.
    state().setMachine(QStringLiteral("Press 7"), QStringLiteral("Left guard"));
    QApplication::processEvents();
    EXPECT_EQ(label->shownLines(), QStringList{QStringLiteral("Left guard")});
    EXPECT_EQ(label->toolTip(), QStringLiteral("Left guard"));
}
