#pragma once

#include "project/ProjectFile.h"

#include <QObject>
#include <QString>

class LanguageTexts;
class QLabel;
class QLineEdit;

// Keeps a line edit to what a text field of a project file can keep: an
// edit with a character the project files' code page lacks, or longer than
// the field, is refused as it is typed or pasted, and the message label
// says why, word-wrapped in dark red.  A text the program puts into the
// edit is not refused; the label then says how the file will keep it.  One
// label may serve several edits.
class ProjectTextCheck : public QObject
{
    Q_OBJECT

public:
    ProjectTextCheck(QLineEdit *edit, QLabel *message, ProjectRecord::Text field, const LanguageTexts &texts);

    // For a text the program has set: the label says how the file keeps it,
    // or nothing when it keeps it as it is.
    void recheck();
    // The edit's text as the project file keeps it.
    QString keptText() const;

private:
    void refused(const QString &attempt);
    void say(const QString &text);

    QLineEdit *m_edit;
    QLabel *m_message;
    ProjectRecord::Text m_field;
    const LanguageTexts &m_texts;
    QString m_attempt; // the last text the validator refused
};
