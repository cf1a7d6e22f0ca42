#include "settings/RecentProjects.h"

#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("Recent Projects");

QString keyOf(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

QString normalised(const QString &fileName)
{
    return QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
}

} // namespace

QStringList addRecentProject(const QStringList &recent, const QString &fileName)
{
    if (fileName.trimmed().isEmpty())
        return recent;
    const QString added = normalised(fileName);
    QStringList list{added};
    for (const QString &entry : recent) {
        if (list.size() >= kMaxRecentProjects)
            break;
        if (normalised(entry) != added)
            list.append(entry);
    }
    return list;
}

RecentProjectsCheck dropMissingProjects(const QStringList &recent,
                                        const std::function<bool(const QString &)> &exists)
{
    RecentProjectsCheck check;
    for (const QString &entry : recent)
        (exists(entry) ? check.kept : check.dropped).append(entry);
    return check;
}

RecentProjectsCheck dropMissingProjects(const QStringList &recent)
{
    return dropMissingProjects(recent, [](const QString &fileName) { return QFileInfo(fileName).isFile(); });
}

void readRecentProjects(const IniFile &ini, AppSettings &settings)
{
    QStringList list;
    for (int i = 0; i < kMaxRecentProjects; ++i) {
        const QString entry = ini.readString(kSection, keyOf(i), QString()).trimmed();
        if (!entry.isEmpty() && !list.contains(normalised(entry)))
            list.append(normalised(entry));
    }
    settings.RecentProjects = list;
}

void writeRecentProjects(IniFile &ini, const AppSettings &settings)
{
    const bool present = ini.readString(kSection, keyOf(0), QStringLiteral("\x01")) != QStringLiteral("\x01");
    if (settings.RecentProjects.isEmpty() && !present)
        return;
    // Every key is written, so that an entry dropped from the list does not
    // come back from the file at the next start.
    for (int i = 0; i < kMaxRecentProjects; ++i)
        ini.writeString(kSection, keyOf(i), settings.RecentProjects.value(i));
}
