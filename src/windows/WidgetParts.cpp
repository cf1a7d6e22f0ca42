#include "windows/WidgetParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>

QFont fixedFont(int pixelSize, bool bold)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    if (pixelSize > 0)
        f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(parent);
    // Labels show captions, names and messages, several of them from the
    // language files: text, never markup.
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

QPushButton *addCloseButton(QDialog *dialog, QBoxLayout *layout, const QString &caption)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    auto *button = new QPushButton(caption);
    button->setObjectName(QStringLiteral("Button1"));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::close);
    row->addWidget(button);
    layout->addLayout(row);
    return button;
}
