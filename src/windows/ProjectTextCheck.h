#pragma once

#include "project/ProjectFile.h"

#include <QObject>
#include <QString>

class LanguageTexts;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// Keeps a line edit to what a text field of a project file can keep: an
// edit with a character the project files' code page lacks, longer than
// the field or, where the field refuses them, with a control character, is
// refused as it is typed or pasted, and the message label says why,
// word-wrapped in dark red.  A text the program puts into the
// edit is not refused; the label then says how the file will keep it.  One
// label may serve several edits.
class ProjectTextCheck : public QObject
{
    Q_OBJECT

public:
    ProjectTextCheck(QLineEdit *edit, QLabel *message, ProjectRecord::Text field, const LanguageTexts &texts);
    // The edit of an editable list; a text taken from the list is checked
    // as one the program has set, and the message is the list's to say.
    ProjectTextCheck(QComboBox *list, QLabel *message, ProjectRecord::Text field, const LanguageTexts &texts);

    // For a text the program has set: the label says how the file keeps it,
    // or nothing when it keeps it as it is.
    void recheck();
    // The edit's text as the project file keeps it.
    QString keptText() const;

private:
    void refused(const QString &attempt);
    void say(const QString &text);

    QLineEdit *m_edit;
    QWidget *m_spoken; // what a screen reader is on when the user types
    QLabel *m_message;
    ProjectRecord::Text m_field;
    const LanguageTexts &m_texts;
    QString m_attempt; // the last text the validator refused
};
