// Loading a language file someone translated: any bytes as
// Languages/<name>.ini, read the way the settings dialog's language switch
// reads it, into all seven windows, the message texts and the help file
// name.  Every text stays within the 2047 characters a value is read to.
#include "FuzzTarget.h"

#include "FakePlatform.h"

#include "windows/MainForm.h"
#include "windows/Program.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct LanguageFixture
{
    FakePlatform fake;
    QTemporaryDir dataDir;
    ZirkProgram *program = nullptr; // lives as long as the process

    LanguageFixture()
    {
        QDir(dataDir.path()).mkpath(QStringLiteral("Languages"));
        program = new ZirkProgram(fake.platform, {});
    }
    QString fileName() const { return dataDir.filePath(QStringLiteral("Languages/Fuzzed.ini")); }
};

} // namespace

ZIRK_FUZZ_TARGET(language_file)
{
    fuzz::ensureApplication();
    static LanguageFixture *fixture = new LanguageFixture;
    {
        QFile file(fixture->fileName());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }

    const QByteArray oldDataDir = qgetenv("ZIRK_DATA_DIR");
    qputenv("ZIRK_DATA_DIR", fixture->dataDir.path().toLocal8Bit());
    ProgramState &state = fixture->program->state();
    state.appSettings.Language = QStringLiteral("Fuzzed");
    fixture->program->mainForm()->NactiTexty();
    if (oldDataDir.isNull())
        qunsetenv("ZIRK_DATA_DIR");
    else
        qputenv("ZIRK_DATA_DIR", oldDataDir);

    const MessageTexts &m = state.messageTexts;
    for (const QString *text : std::initializer_list<const QString *>{&m.NoDeviceFound, &m.NewMeasurement, &m.CloseQuery, &m.DeleteAllValuesQuery,
                                &m.DeviceReady, &m.DeviceShouldBeCalibrated, &m.DeviceConnected,
                                &m.DriversInstall, &m.InvalidFile, &state.appSettings.HelpFileName})
        FUZZ_CHECK(text->size() <= 2047);
    return 0;
}
