#include "base/RegularFile.h"

#include "base/ErrorHandling.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Opened openRegularFile(QFile &file, const QString &fileName, QString *why)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Opened::Missing;
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return Opened::Refused;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *why = QStringLiteral("not a regular file");
        return Opened::Refused;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = file.errorString();
        return Opened::Refused;
    }
    return Opened::Yes;
#else
    const QFileInfo info(fileName);
    if (!info.exists())
        return Opened::Missing;
    if (!info.isFile()) {
        *why = QStringLiteral("not a regular file");
        return Opened::Refused;
    }
    file.setFileName(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return Opened::Refused;
    }
    return Opened::Yes;
#endif
}

void openUserFile(QFile &file, const QString &fileName)
{
    QString why;
    switch (openRegularFile(file, fileName, &why)) {
    case Opened::Yes:
        return;
    case Opened::Missing:
        why = QStringLiteral("No such file.");
        break;
    case Opened::Refused:
        break;
    }
    throw ZirkError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, why));
}
