#pragma once

#include "settings/AppSettings.h"

#include <QString>
#include <QStringList>

#include <functional>

class IniFile;

// File > Open Recent: the last projects opened or saved, newest first, kept
// in the settings file's section "Recent Projects" as File1..File8.
inline constexpr int kMaxRecentProjects = 8;

// The list with fileName in front: as an absolute, clean path, once (an
// entry naming the same file another way goes), at most kMaxRecentProjects
// long.  An empty name leaves the list as it is.
QStringList addRecentProject(const QStringList &recent, const QString &fileName);

// The entries whose file is gone (a stick unplugged, a file deleted or
// renamed) leave the list; `dropped` names them for the note that tells the
// user.
struct RecentProjectsCheck
{
    QStringList kept;
    QStringList dropped;
};
RecentProjectsCheck dropMissingProjects(const QStringList &recent,
                                        const std::function<bool(const QString &)> &exists);
// The same against the disk.
RecentProjectsCheck dropMissingProjects(const QStringList &recent);

// Reading takes the non-empty keys in order, without repetitions and at most
// kMaxRecentProjects; writing adds the section only once there is something
// to keep, so a settings file of a program that never opened a project stays
// as it was.
void readRecentProjects(const IniFile &ini, AppSettings &settings);
void writeRecentProjects(IniFile &ini, const AppSettings &settings);
