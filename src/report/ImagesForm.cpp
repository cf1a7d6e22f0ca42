#include "report/ImagesForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

Timagesform::Timagesform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("Timagesform"));
    setWindowTitle(QStringLiteral("Images"));
    auto *grid = new QGridLayout(this);
    QLabel **images[] = {&Image1, &Image2, &Image3, &Image4};
    QLineEdit **edits[] = {&Edit1, &Edit2, &Edit3, &Edit4};
    QCheckBox **checks[] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4};
    for (int i = 0; i < kSlotCount; ++i) {
        *images[i] = new QLabel(this);
        (*images[i])->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        *edits[i] = new QLineEdit(QStringLiteral("Image %1").arg(i + 1), this);
        (*edits[i])->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        *checks[i] = new QCheckBox(QStringLiteral("Include in pdf Report"), this);
        (*checks[i])->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        grid->addWidget(*images[i], 3 * (i % 2), i / 2);
        grid->addWidget(*edits[i], 3 * (i % 2) + 1, i / 2);
        grid->addWidget(*checks[i], 3 * (i % 2) + 2, i / 2);
    }
}

QImage Timagesform::picture(int slot) const
{
    return (slot >= 1 && slot <= kSlotCount) ? m_pictures[slot - 1] : QImage();
}

void Timagesform::setPicture(int slot, const QImage &picture)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    m_pictures[slot - 1] = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB888);
    QLabel *const boxes[] = {Image1, Image2, Image3, Image4};
    boxes[slot - 1]->setPixmap(picture.isNull() ? QPixmap()
                                                : QPixmap::fromImage(m_pictures[slot - 1].scaled(
                                                      240, 180, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QLineEdit *Timagesform::edit(int slot) const
{
    QLineEdit *const e[] = {Edit1, Edit2, Edit3, Edit4};
    return (slot >= 1 && slot <= kSlotCount) ? e[slot - 1] : nullptr;
}

QCheckBox *Timagesform::checkBox(int slot) const
{
    QCheckBox *const c[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4};
    return (slot >= 1 && slot <= kSlotCount) ? c[slot - 1] : nullptr;
}
