#pragma once
// A time-stamp authority on the loopback address: each HTTP POST of an
// RFC 3161 query is answered by `openssl ts -reply`, or, when silent, not
// answered at all.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

class TimeStampServer
{
public:
    // config: the openssl ts configuration; workDir: where queries go.
    TimeStampServer(const QString &config, const QString &workDir, bool silent = false)
        : m_config(config), m_workDir(workDir), m_silent(silent)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(m_socket, 4);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        // A silent authority takes the connection into its backlog and says
        // nothing.
        if (!m_silent)
            m_thread = std::thread([this] { serve(); });
    }
    ~TimeStampServer()
    {
        m_stop = true;
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        if (m_thread.joinable())
            m_thread.join();
    }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/tsa").arg(m_port); }
    int answered() const { return m_answered; }

private:
    void serve()
    {
        while (!m_stop) {
            const int client = ::accept(m_socket, nullptr, nullptr);
            if (client < 0)
                return;
            QByteArray request;
            char buffer[4096];
            qsizetype bodyAt = -1;
            qint64 length = 0;
            for (;;) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, n);
                if (bodyAt < 0 && (bodyAt = request.indexOf("\r\n\r\n")) >= 0) {
                    bodyAt += 4;
                    const qsizetype at = request.toLower().indexOf("content-length:");
                    length = at >= 0 ? request.mid(at + 15, request.indexOf("\r\n", at) - at - 15).trimmed().toLongLong()
                                     : 0;
                }
                if (bodyAt >= 0 && request.size() - bodyAt >= length)
                    break;
            }
            const QString query = m_workDir + QStringLiteral("/query.tsq");
            const QString reply = m_workDir + QStringLiteral("/reply.tsr");
            QFile q(query);
            if (q.open(QIODevice::WriteOnly))
                q.write(request.mid(bodyAt));
            q.close();
            QFile::remove(reply);
            const QByteArray command = "openssl ts -reply -config '" + m_config.toUtf8() + "' -queryfile '"
                                       + query.toUtf8() + "' -out '" + reply.toUtf8() + "' 2>/dev/null";
            const int status = std::system(command.constData());
            QFile r(reply);
            const QByteArray body = status == 0 && r.open(QIODevice::ReadOnly) ? r.readAll() : QByteArray();
            const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/timestamp-reply\r\nContent-Length: "
                                    + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
            ::send(client, head.constData(), size_t(head.size()), MSG_NOSIGNAL);
            ::send(client, body.constData(), size_t(body.size()), MSG_NOSIGNAL);
            ::close(client);
            ++m_answered;
        }
    }

    QString m_config;
    QString m_workDir;
    bool m_silent;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_answered{0};
    std::thread m_thread;
};
