#pragma once

#include <QLabel>
#include <QStringList>

// A label for a text of any length in a place of a few lines, such as the
// note of a measurement: the text wraps at words, and where it runs past
// the last line the label has room for, that line ends in an ellipsis, so
// no half line shows.  text() stays the whole text; the owner may show it
// as the tool tip.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // The lines as the label draws them at its present size.
    QStringList shownLines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The most lines the label asks the layout for.
    static constexpr int kPreferredLines = 3;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;
};

// text wrapped at word boundaries into lines no wider than width pixels in
// font; when it needs more than maxLines, the last line holds the rest cut
// with an ellipsis.  Line breaks in the text count as blanks.
QStringList elideToLines(const QString &text, const QFont &font, int width, int maxLines);
