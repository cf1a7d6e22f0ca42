#pragma once

#include "base/Seams.h"

#include <QFileDialog>

class QLabel;

// The open-picture dialog: Qt's own (not the desktop's) file dialog with a
// preview pane beside the file list that shows the picture under the cursor
// and its size in pixels.
class OpenPictureDialog : public QFileDialog
{
    Q_OBJECT
public:
    OpenPictureDialog(QWidget *parent, const FileDialogRequest &request);

    QLabel *preview() const { return m_preview; }
    QLabel *previewSize() const { return m_size; }

    // Shows the picture in path, or "No preview" for a folder or a file the
    // image readers do not know.
    void showPreview(const QString &path);

private:
    QLabel *m_preview = nullptr;
    QLabel *m_size = nullptr;
};
