#include "windows/OpenPictureDialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewWidth = 220;
constexpr int kPreviewHeight = 165;

} // namespace

OpenPictureDialog::OpenPictureDialog(QWidget *parent, const FileDialogRequest &request)
    : QFileDialog(parent, request.title, request.directory, request.filter)
{
    setObjectName(QStringLiteral("OpenPictureDialog1"));
    // The desktop's dialog cannot take a pane of ours.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    if (!request.selectedFilter.isEmpty())
        selectNameFilter(request.selectedFilter);
    if (!request.fileName.isEmpty())
        selectFile(request.fileName);

    auto *pane = new QWidget(this);
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(6, 0, 0, 0);
    m_preview = new QLabel(pane);
    m_preview->setObjectName(QStringLiteral("PicturePreview"));
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_size = new QLabel(pane);
    m_size->setObjectName(QStringLiteral("PicturePreviewSize"));
    m_size->setAlignment(Qt::AlignCenter);
    column->addWidget(m_preview);
    column->addWidget(m_size);
    column->addStretch(1);
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    resize(width() + kPreviewWidth + 12, height());

    connect(this, &QFileDialog::currentChanged, this, &OpenPictureDialog::showPreview);
    showPreview(QString());
}

void OpenPictureDialog::showPreview(const QString &path)
{
    QImage picture;
    QSize size;
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        size = reader.size();
        // Let the decoder scale a large photo down while it reads it: a
        // preview of a 20-megapixel JPEG must not stall the dialog.
        if (size.isValid()) {
            const QSize fit = size.scaled(kPreviewWidth - 4, kPreviewHeight - 4, Qt::KeepAspectRatio);
            if (fit.width() < size.width() && fit.width() > 0 && fit.height() > 0)
                reader.setScaledSize(fit);
        }
        picture = reader.read();
        if (!picture.isNull() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
            size.transpose();
    }
    if (picture.isNull()) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(QStringLiteral("No preview"));
        m_size->clear();
        return;
    }
    if (picture.width() > kPreviewWidth - 4 || picture.height() > kPreviewHeight - 4)
        picture = picture.scaled(kPreviewWidth - 4, kPreviewHeight - 4, Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    m_preview->setPixmap(QPixmap::fromImage(picture));
    m_size->setText(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
}
