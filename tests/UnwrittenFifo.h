#pragma once
// A FIFO that nobody writes to, standing where a program expects a file.
// Opening it for reading blocks until a writer comes; should the code under
// test do that, the FIFO opens itself for writing after a grace period and
// closes again, so the reader sees an empty file and the test fails instead
// of hanging.

#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class UnwrittenFifo
{
public:
    explicit UnwrittenFifo(const QString &path, std::chrono::seconds grace = std::chrono::seconds(10))
        : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        m_rescuer = std::thread([this, grace] {
            std::unique_lock lock(m_mutex);
            if (m_done.wait_for(lock, grace, [this] { return m_finished; }))
                return;
            // Someone may be blocked in open(): be the writer until they have
            // seen the end, or until the test is over.
            while (!m_finished) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    m_rescued = true;
                    ::close(fd);
                }
                m_done.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_finished; });
            }
        });
    }
    ~UnwrittenFifo()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_rescuer.join();
    }
    UnwrittenFifo(const UnwrittenFifo &) = delete;
    UnwrittenFifo &operator=(const UnwrittenFifo &) = delete;

    bool made() const { return m_made; }
    // True when a reader was blocked on the FIFO and had to be released.
    bool rescued() const { return m_rescued; }
    // Still a FIFO, not replaced by a file.
    bool stillFifo() const
    {
        struct stat st;
        return ::lstat(m_path.constData(), &st) == 0 && S_ISFIFO(st.st_mode);
    }

private:
    QByteArray m_path;
    bool m_made = false;
    std::atomic<bool> m_rescued = false;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_rescuer;
};
