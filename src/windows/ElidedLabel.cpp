#include "windows/ElidedLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include <algorithm>

QStringList elideToLines(const QString &text, const QFont &font, int width, int maxLines)
{
    QStringList lines;
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', u' ');
    if (flat.isEmpty() || width <= 0 || maxLines <= 0)
        return lines;

    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line there is room for takes the rest, cut if need be.
            const QString rest = flat.mid(line.textStart()).trimmed();
            lines << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        QString shown = flat.mid(line.textStart(), line.textLength());
        while (!shown.isEmpty() && shown.back().isSpace())
            shown.chop(1);
        lines << shown;
    }
    layout.endLayout();
    return lines;
}

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QRect ElidedLabel::textArea() const
{
    return contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
}

QStringList ElidedLabel::shownLines() const
{
    const QRect area = textArea();
    const int lineHeight = fontMetrics().lineSpacing();
    const int lines = std::max(1, area.height() / std::max(1, lineHeight));
    return elideToLines(text(), font(), area.width(), lines);
}

int ElidedLabel::heightForWidth(int width) const
{
    const int frame = 2 * (frameWidth() + margin());
    const int lines = int(elideToLines(text(), font(), width - frame, kPreferredLines).size());
    return std::max(1, lines) * fontMetrics().lineSpacing() + frame;
}

QSize ElidedLabel::sizeHint() const
{
    const QSize hint = QLabel::sizeHint();
    return {hint.width(), heightForWidth(hint.width())};
}

QSize ElidedLabel::minimumSizeHint() const
{
    const int frame = 2 * (frameWidth() + margin());
    return {fontMetrics().averageCharWidth() * 4 + frame, fontMetrics().lineSpacing() + frame};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = textArea();
    const int lineHeight = fontMetrics().lineSpacing();
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    int y = area.top();
    for (const QString &line : shownLines()) {
        style()->drawItemText(&painter, QRect(area.left(), y, area.width(), lineHeight),
                              int(horizontal | Qt::AlignVCenter), palette(), isEnabled(), line, foregroundRole());
        y += lineHeight;
    }
}
