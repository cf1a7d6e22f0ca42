#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

class Dialogs;
class QWidget;

// An error whose message is meant for the user.  Commands raise it where the
// program cannot go on (a file that cannot be written, ...); the general
// handling shows it in a message box titled "Zirk" and the program goes on.
class ZirkError : public std::runtime_error
{
public:
    explicit ZirkError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

inline const QString kApplicationTitle = QStringLiteral("Zirk");

// The text of any escaped exception, as the user sees it.
QString errorText(const std::exception_ptr &error);

// Shows an escaped exception in the error box.
void showEscapedError(Dialogs &dialogs, QWidget *owner, const std::exception_ptr &error);

// Runs one handler under the general error handling.  Returns false when an
// error escaped (it has been shown).
template <typename F>
bool runGuarded(Dialogs &dialogs, QWidget *owner, F &&handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        showEscapedError(dialogs, owner, std::current_exception());
        return false;
    }
}
