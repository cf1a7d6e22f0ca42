#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

// The names of the safeguards the archive knows for a machine, read off the
// user-interface thread: a server that takes its time never holds up the
// typing of a machine ID.  A question asked while the machine ID is still
// being typed waits a moment, and only the answer to the latest one comes.
// Nothing waits for a reader that does not come back; the answer of one
// after this object is gone goes nowhere.
class KnownSafeguards : public QObject
{
    Q_OBJECT
public:
    explicit KnownSafeguards(QObject *parent = nullptr);
    ~KnownSafeguards() override;

    // Asks the archive named by url for the named safeguards of machineId.
    void load(const QString &archiveUrl, const QString &machineId);

signals:
    // The names, by name; empty where the archive knows none or cannot be
    // read.
    void loaded(const QString &machineId, const QStringList &names);

private:
    void start();

    struct Mailbox;
    std::shared_ptr<Mailbox> m_mailbox;
    QTimer m_wait;
    QString m_url;
    QString m_machineId;
    quint64 m_request = 0;
};
