// Writes the program's icon as PNG files for the desktop's icon theme.
#include "windows/Pictures.h"

#include <QDir>
#include <QGuiApplication>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        QDir().mkpath(dir);
        if (!applicationIconPicture(size).save(dir + QStringLiteral("/zirk.png")))
            return 1;
    }
    return 0;
}
