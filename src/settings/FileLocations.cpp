#include "settings/FileLocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString programFile()
{
    return QCoreApplication::applicationFilePath();
}

QStringList languageFolders()
{
    return dataFolderCandidatesFor(programFile(), QProcessEnvironment::systemEnvironment(),
                                   QStringLiteral("Languages"));
}

} // namespace

QString settingsFilePathFor(const QString &programFile, const QProcessEnvironment &environment,
                            bool programFolderWritable)
{
    const QFileInfo program(programFile);
    const QString fileName = program.completeBaseName() + QStringLiteral(".ini");

    const QString override = environment.value(QStringLiteral("ZIRK_CONFIG_DIR"));
    if (!override.isEmpty())
        return QDir(override).filePath(fileName);
    if (programFolderWritable)
        return program.dir().filePath(fileName);

    QString config = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    // Relative values are invalid and to be ignored (XDG base directory spec).
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir(environment.value(QStringLiteral("HOME"), QDir::homePath())).filePath(QStringLiteral(".config"));
    return QDir(QDir(config).filePath(QStringLiteral("zirk"))).filePath(fileName);
}

QString settingsFilePath()
{
    return settingsFilePathOf(QFileInfo(programFile()).completeBaseName());
}

QString settingsFilePathOf(const QString &programName)
{
    const QString program = QFileInfo(programFile()).absoluteDir().filePath(programName);
    // The program's folder is its own when the data folders sit beside it
    // (a build folder, a copy unpacked somewhere).  An installed program
    // shares bin/ with others, and even where that is writable (root) the
    // settings belong in the user's config folder.
    const QDir folder = QFileInfo(program).absoluteDir();
    const bool ownFolder = folder.exists(QStringLiteral("Languages"));
    return settingsFilePathFor(program, QProcessEnvironment::systemEnvironment(),
                               ownFolder && QFileInfo(folder.absolutePath()).isWritable());
}

QStringList dataFolderCandidatesFor(const QString &programFile, const QProcessEnvironment &environment,
                                    const QString &name)
{
    QStringList folders;
    const QString override = environment.value(QStringLiteral("ZIRK_DATA_DIR"));
    if (!override.isEmpty())
        folders << QDir(override).filePath(name);
    const QDir programDir = QFileInfo(programFile).absoluteDir();
    folders << programDir.filePath(name);
    folders << QDir::cleanPath(programDir.filePath(QStringLiteral("../share/zirk/") + name));
    return folders;
}

QString dataFolder(const QString &name)
{
    const QStringList candidates =
        dataFolderCandidatesFor(programFile(), QProcessEnvironment::systemEnvironment(), name);
    for (const QString &folder : candidates) {
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QDir(QFileInfo(programFile()).absolutePath()).filePath(name);
}

QString languageFilePath(const QString &language)
{
    if (language.isEmpty() || language.contains(u'/') || language.contains(u'\\'))
        return {};
    const QString fileName = language + QStringLiteral(".ini");
    for (const QString &folder : languageFolders()) {
        const QDir dir(folder);
        if (QFileInfo(dir.filePath(fileName)).isFile())
            return dir.filePath(fileName);
        const QStringList all = dir.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
        for (const QString &candidate : all) {
            if (candidate.compare(fileName, Qt::CaseInsensitive) == 0)
                return dir.filePath(candidate);
        }
    }
    return {};
}

QStringList availableLanguages()
{
    QStringList names;
    for (const QString &folder : languageFolders()) {
        const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
        for (const QFileInfo &file : files) {
            if (!names.contains(file.completeBaseName()))
                names << file.completeBaseName();
        }
    }
    return names;
}

namespace {

QString withSeparator(const QString &folder)
{
    return folder.endsWith(u'/') || folder.endsWith(u'\\') ? folder : folder + u'/';
}

} // namespace

QString defaultFileFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return withSeparator(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
#endif
}

QString defaultPictureFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return existingFolderOr(pictures, QString()).isEmpty() ? defaultFileFolder() : withSeparator(pictures);
#endif
}

QString existingFolderOr(const QString &stored, const QString &fallback)
{
    return !stored.isEmpty() && QFileInfo(stored).isDir() ? stored : fallback;
}
