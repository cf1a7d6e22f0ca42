#include "windows/ImagesForm.h"

#include "windows/ProjectTextCheck.h"
#include "windows/WindowTexts.h"

#include "base/ErrorHandling.h"
#include "state/ProgramState.h"
#include "report/ReportPictures.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kBoxWidth = 240;
constexpr int kBoxHeight = 180;

QLabel *makeHeading(const QString &name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 6);
    l->setFont(f);
    return l;
}

} // namespace

Timagesform::Timagesform(ProgramState &state, Platform &platform, Forms &forms, QWidget *parent)
    : QDialog(parent), m_state(state), m_platform(platform), m_forms(forms)
{
    setObjectName(QStringLiteral("Timagesform"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    QLabel **images[] = {&Image1, &Image2, &Image3, &Image4};
    QLineEdit **edits[] = {&Edit1, &Edit2, &Edit3, &Edit4};
    QCheckBox **checks[] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4};
    QLabel **notes[] = {&Label1, &Label2, &Label3, &Label4};
    QFrame **panels[] = {&Panel1, &Panel2, &Panel3, &Panel4};

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *columns = new QGridLayout;
    columns->setContentsMargins(8, 6, 8, 6);
    columns->setHorizontalSpacing(10);
    columns->setVerticalSpacing(6);
    outer->addLayout(columns, 1);

    Label7 = makeHeading(QStringLiteral("Label7"), this);
    Label8 = makeHeading(QStringLiteral("Label8"), this);
    columns->addWidget(Label7, 0, 0);
    columns->addWidget(Label8, 0, 1);

    for (int i = 0; i < kSlotCount; ++i) {
        const QString n = QString::number(i + 1);
        QFrame *panel = *panels[i] = new QFrame(this);
        panel->setObjectName(QStringLiteral("Panel") + n);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto *box = new QVBoxLayout(panel);
        box->setContentsMargins(10, 8, 10, 8);
        box->setSpacing(4);

        QLabel *image = *images[i] = new QLabel(panel);
        image->setObjectName(QStringLiteral("Image") + n);
        image->setFixedSize(kBoxWidth, kBoxHeight);
        image->setAlignment(Qt::AlignCenter);
        image->setCursor(Qt::PointingHandCursor);
        image->installEventFilter(this);
        box->addWidget(image, 0, Qt::AlignHCenter);

        *notes[i] = new QLabel(panel);
        (*notes[i])->setObjectName(QStringLiteral("Label") + n);
        box->addWidget(*notes[i]);
        *edits[i] = new QLineEdit(panel);
        (*edits[i])->setObjectName(QStringLiteral("Edit") + n);
        (*notes[i])->setBuddy(*edits[i]);
        box->addWidget(*edits[i]);
        *checks[i] = new QCheckBox(panel);
        (*checks[i])->setObjectName(QStringLiteral("CheckBox") + n);
        box->addWidget(*checks[i]);

        columns->addWidget(panel, 1 + i % 2, i / 2);
        const int slot = i + 1;
        connect(*edits[i], &QLineEdit::textChanged, this,
                [this, slot](const QString &text) { m_state.setPictureNote(slot, text); });
        connect(*checks[i], &QCheckBox::toggled, this,
                [this, slot](bool on) { m_state.setPictureIncluded(slot, on); });
    }
    connect(&m_state, &ProgramState::pictureChanged, this, &Timagesform::showSlot);
    for (int slot = 1; slot <= kSlotCount; ++slot)
        showSlot(slot);
    columns->setRowStretch(3, 1);

    Panel7 = new QFrame(this);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *bar = new QHBoxLayout(Panel7);
    bar->setContentsMargins(8, 6, 8, 6);
    // What a note's field in the project file cannot keep, said while the
    // user types.
    Label_NoteCheck = new QLabel(Panel7);
    Label_NoteCheck->setObjectName(QStringLiteral("Label_NoteCheck"));
    for (int slot = 1; slot <= kSlotCount; ++slot)
        new ProjectTextCheck(edit(slot), Label_NoteCheck, ProjectRecord::pictureNote(slot), m_state.texts());
    bar->addWidget(Label_NoteCheck, 1);
    Button1 = new QPushButton(Panel7);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setMinimumWidth(90);
    bar->addWidget(Button1);
    outer->addWidget(Panel7);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    OpenPictureDialog1.filter = pictureFileFilter();

    setFixedSize(565, 661);
    followLanguage(m_state, TextWindow::Images, this);
}

QImage Timagesform::picture(int slot) const
{
    return m_state.pictureSlot(slot).picture;
}

void Timagesform::setPicture(int slot, const QImage &picture)
{
    m_state.setPicture(slot, picture);
}

void Timagesform::showSlot(int slot)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    const PictureSlot &stored = m_state.pictureSlot(slot);
    QLabel *const boxes[] = {Image1, Image2, Image3, Image4};
    // Scaled down in proportion and centred; a small picture keeps its size.
    QImage shown = stored.picture;
    if (shown.width() > kBoxWidth || shown.height() > kBoxHeight)
        shown = shown.scaled(kBoxWidth, kBoxHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    boxes[slot - 1]->setPixmap(shown.isNull() ? QPixmap() : QPixmap::fromImage(shown));
    if (edit(slot)->text() != stored.note)
        edit(slot)->setText(stored.note);
    checkBox(slot)->setChecked(stored.include);
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

int Timagesform::slotOf(const QLabel *box) const
{
    const QLabel *const boxes[] = {Image1, Image2, Image3, Image4};
    for (int i = 0; i < kSlotCount; ++i) {
        if (boxes[i] == box)
            return i + 1;
    }
    return 0;
}

bool Timagesform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (const int slot = slotOf(qobject_cast<QLabel *>(watched))) {
            runGuarded(*m_platform.dialogs, this, [this, slot] { imageClick(slot); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Timagesform::Image1Click() { imageClick(1); }
void Timagesform::Image2Click() { imageClick(2); }
void Timagesform::Image3Click() { imageClick(3); }
void Timagesform::Image4Click() { imageClick(4); }

void Timagesform::imageClick(int slot)
{
    // The dialog starts where the last picture came from; the stored folder
    // is kept in the settings file.
    AppSettings &settings = m_state.appSettings;
    OpenPictureDialog1.directory = settings.LastPictureDirectory;
    const QString fileName = m_platform.dialogs->openPicture(this, OpenPictureDialog1);
    if (fileName.isEmpty())
        return;
    OpenPictureDialog1.fileName = fileName;
    settings.LastPictureDirectory = QFileInfo(fileName).absolutePath() + QLatin1Char('/');

    QLabel *const boxes[] = {Image1, Image2, Image3, Image4};
    LoadAnyPicture(boxes[slot - 1]);
    checkBox(slot)->setChecked(true);
}

void Timagesform::LoadAnyPicture(QLabel *MyImage)
{
    const int slot = slotOf(MyImage);
    if (slot == 0)
        return;
    // Decoded in full before the slot is touched, so a failure leaves the
    // slot as it was.
    setPicture(slot, loadAnyPicture(OpenPictureDialog1.fileName));
}
