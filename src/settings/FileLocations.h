#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where the program keeps its settings and finds its data folders
// (Languages, Sounds, Docs, Drivers/Install).
//
// Settings: the program's file name with ".ini", in the program's folder when
// that folder is its own (the data folders sit beside the program) and
// writable, else in
// $XDG_CONFIG_HOME/zirk/ (~/.config/zirk/ by default) for an installed
// program.  ZIRK_CONFIG_DIR, when set, names the folder instead of both.
//
// Data folders: ZIRK_DATA_DIR when set, then beside the program, then the
// installed data folder <prefix>/share/zirk derived from <prefix>/bin.

// The settings file for a program file, decided without touching the disk.
QString settingsFilePathFor(const QString &programFile, const QProcessEnvironment &environment,
                            bool programFolderWritable);
// The settings file of this program.
QString settingsFilePath();
// The settings file of the program of that name beside this one, as that
// program finds it (zirk-cli reads the settings of zirk).
QString settingsFilePathOf(const QString &programName);

// Candidate folders of one data folder name, in the order they are searched.
QStringList dataFolderCandidatesFor(const QString &programFile, const QProcessEnvironment &environment,
                                    const QString &name);
// The first candidate that exists, or the one beside the program.
QString dataFolder(const QString &name);

// The language file of a language name: "<name>.ini" in the first Languages
// folder that holds it (the name's letter case is matched loosely, as on the
// system the language files come from).  Empty when there is none; a name
// with a path separator names no language.
QString languageFilePath(const QString &language);
// The names of all language files, beside the program first, without
// repetitions.
QStringList availableLanguages();

// Where the file dialogs start when the settings name no folder, or one
// that no longer exists (a folder deleted, a drive unplugged).  Both end in
// a path separator, as the folders the dialogs remember do.  On Windows both
// are "C:\".
// Files: the user's home folder.
QString defaultFileFolder();
// Pictures: the user's pictures folder where it exists, else the home folder.
QString defaultPictureFolder();
// `stored` when it names an existing folder, else `fallback`.
QString existingFolderOr(const QString &stored, const QString &fallback);
