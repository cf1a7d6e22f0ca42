#pragma once
// Test doubles for the platform seams: answers dialogs from queues, records
// what the program asked, plays no sound, opens nothing.

#include "base/Seams.h"

#include <QDialog>

#include <deque>
#include <functional>
#include <vector>

class FakeClock : public Clock
{
public:
    QDateTime current = QDateTime(QDate(2026, 12, 9), QTime(10, 30, 0));
    QDateTime now() const override { return current; }
};

class FakeSound : public SoundPlayer
{
public:
    std::vector<QString> played;
    void play(const QString &waveFile) override { played.push_back(waveFile); }
};

class FakeShell : public ShellOpener
{
public:
    struct Call { QString target; QStringList arguments; };
    std::vector<Call> calls;
    bool result = true;
    bool open(const QString &target, const QStringList &arguments = {}) override
    {
        calls.push_back({target, arguments});
        return result;
    }
};

class FakeDialogs : public Dialogs
{
public:
    // Answers handed out in order; when a queue is empty, confirm answers
    // Cancel and file dialogs are cancelled.
    std::deque<ModalResult> confirmAnswers;
    std::deque<QString> fileAnswers;
    // The file type a save dialog leaves chosen; none: the one it opened with.
    std::deque<QString> filterAnswers;
    // Called instead of running a window modally; returns its result.
    std::function<int(QDialog *)> onModal;

    std::vector<QString> questions;
    std::vector<QString> errors;
    std::vector<QString> informations;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<QDialog *> modalShown;

    ModalResult confirm(QWidget *, const QString &text) override
    {
        questions.push_back(text);
        if (confirmAnswers.empty())
            return mrCancel;
        const ModalResult r = confirmAnswers.front();
        confirmAnswers.pop_front();
        return r;
    }
    void error(QWidget *, const QString &, const QString &text) override { errors.push_back(text); }
    void information(QWidget *, const QString &, const QString &text) override { informations.push_back(text); }
    QString openFile(QWidget *, const FileDialogRequest &r) override { return nextFile(r); }
    QString saveFile(QWidget *, const FileDialogRequest &r) override { return nextFile(r); }
    QString openPicture(QWidget *, const FileDialogRequest &r) override { return nextFile(r); }
    // Handed out in order; none left: cancelled.
    std::deque<QString> passwordAnswers;
    std::vector<QString> passwordQuestions;
    std::optional<QString> password(QWidget *, const QString &, const QString &text) override
    {
        passwordQuestions.push_back(text);
        if (passwordAnswers.empty())
            return std::nullopt;
        QString answer = passwordAnswers.front();
        passwordAnswers.pop_front();
        return answer;
    }
    int showModal(QDialog *dialog) override
    {
        modalShown.push_back(dialog);
        return onModal ? onModal(dialog) : int(QDialog::Rejected);
    }

private:
    QString nextFile(const FileDialogRequest &r)
    {
        fileRequests.push_back(r);
        if (fileAnswers.empty())
            return {};
        if (r.chosenFilter) {
            *r.chosenFilter = filterAnswers.empty() ? r.selectedFilter : filterAnswers.front();
            if (!filterAnswers.empty())
                filterAnswers.pop_front();
        }
        QString f = fileAnswers.front();
        fileAnswers.pop_front();
        return f;
    }
};

// Counts the steps of long jobs; the user presses Cancel at step
// cancelAtStep of a job (0: never).
class FakeProgress : public Progress
{
public:
    int cancelAtStep = 0;
    std::vector<QString> jobs; // as begun
    int ended = 0;
    qint64 steps = 0; // of the job going on or last

    void begin(QWidget *, const QString &text) override
    {
        jobs.push_back(text);
        steps = 0;
    }
    bool step(qint64, qint64) override { return cancelAtStep == 0 || ++steps < cancelAtStep; }
    void end() override { ++ended; }
};

struct FakePlatform
{
    FakeClock clock;
    FakeSound sound;
    FakeShell shell;
    FakeDialogs dialogs;
    FakeProgress progress;
    Platform platform{&clock, &sound, &shell, &dialogs, nullptr, &progress};
};
