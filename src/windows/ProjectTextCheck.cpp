#include "windows/ProjectTextCheck.h"

#include "base/CodePage.h"
#include "project/ProjectMeasurement.h"
#include "settings/LanguageTexts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

#include <functional>

namespace {

class FitValidator : public QValidator
{
public:
    FitValidator(ProjectRecord::Text field, std::function<void(const QString &)> refused, QObject *parent)
        : QValidator(parent), m_field(field), m_refused(std::move(refused))
    {
    }

    State validate(QString &input, int &) const override
    {
        if (projectTextFit(input, m_field).fits())
            return Acceptable;
        m_refused(input);
        return Invalid;
    }

private:
    ProjectRecord::Text m_field;
    std::function<void(const QString &)> m_refused;
};

} // namespace

ProjectTextCheck::ProjectTextCheck(QLineEdit *edit, QLabel *message, ProjectRecord::Text field,
                                   const LanguageTexts &texts)
    : QObject(edit), m_edit(edit), m_spoken(edit), m_message(message), m_field(field), m_texts(texts)
{
    edit->setValidator(new FitValidator(field, [this](const QString &attempt) { m_attempt = attempt; }, this));
    // The validator is also asked about texts nobody typed (hasAcceptableInput
    // and the like); only a refused edit says so.
    connect(edit, &QLineEdit::inputRejected, this, [this] { refused(m_attempt); });
    connect(edit, &QLineEdit::textEdited, this, [this] { say(QString()); });
    // The message stands out from the dialog's captions.
    message->setWordWrap(true);
    QPalette warning = message->palette();
    warning.setColor(QPalette::WindowText, Qt::darkRed);
    message->setPalette(warning);
    say(QString());
}

ProjectTextCheck::ProjectTextCheck(QComboBox *list, QLabel *message, ProjectRecord::Text field,
                                   const LanguageTexts &texts)
    : ProjectTextCheck(list->lineEdit(), message, field, texts)
{
    m_spoken = list;
    connect(list, &QComboBox::textActivated, this, &ProjectTextCheck::recheck);
    say(QString());
}

void ProjectTextCheck::refused(const QString &attempt)
{
    const ProjectTextFit fit = projectTextFit(attempt, m_field);
    const char *section = "DevicesWindow";
    if (!fit.controls.isEmpty()) {
        say(m_texts.text(section, "TextControlCharacter").arg(fit.controls));
    } else if (!fit.unkept.isEmpty()) {
        say(m_texts.text(section, "TextNotInCodePage")
                .arg(fit.unkept, QString::fromLatin1(windowsCodePageName(projectCodePage()))));
    } else if (fit.bytes > fit.capacity) {
        say(m_texts.text(section, "TextTooLong").arg(fit.capacity));
    }
}

void ProjectTextCheck::recheck()
{
    const QString text = m_edit->text();
    if (projectTextFit(text, m_field).fits())
        say(QString());
    else
        say(m_texts.text("DevicesWindow", "TextKeptAs").arg(keptProjectText(text, m_field)));
}

QString ProjectTextCheck::keptText() const
{
    return keptProjectText(m_edit->text(), m_field);
}

void ProjectTextCheck::say(const QString &text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
    // A screen reader on the edit hears why the key did nothing.
    m_spoken->setAccessibleDescription(text);
}
