#pragma once
// A whole program whose data folders (Languages, Sounds, Docs,
// Drivers/Install) are a temporary folder of the test's own.

#include "ProgramFixture.h"
#include "QtPrinters.h"

#include "settings/FileLocations.h"

#include <QDir>
#include <QFile>

class SettingsProgram : public ProgramFixture
{
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        qputenv("ZIRK_DATA_DIR", dataDir.path().toLocal8Bit());
    }
    void TearDown() override
    {
        ProgramFixture::TearDown();
        qunsetenv("ZIRK_DATA_DIR");
    }

    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(name).absolutePath());
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    void writeSettings(const QByteArray &bytes) { writeFile(settingsFilePath(), bytes); }
    QByteArray settingsBytes() const
    {
        QFile f(settingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeLanguage(const QString &name, const QByteArray &bytes)
    {
        writeFile(dataDir.filePath(QStringLiteral("Languages/") + name + QStringLiteral(".ini")), bytes);
    }
    void installShippedLanguage(const char *name)
    {
        QFile f(QStringLiteral(ZIRK_SOURCE_DIR "/data/Languages/%1.ini").arg(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        writeLanguage(QLatin1String(name), f.readAll());
    }

    QTemporaryDir dataDir;
};
