#include "settings/ProgramEnvironment.h"

std::vector<ManItem> sharedEnvironmentItems()
{
    return {
        {QStringLiteral("ZIRK_ARCHIVE"),
         QStringLiteral("the machine archive, before the one chosen in the settings: sqlite:///FILE or "
                        "postgresql://USER@HOST:PORT/DB (the password from ~/.pgpass or PGPASSWORD)")},
        {QStringLiteral("ZIRK_CONFIG_DIR"),
         QStringLiteral("the folder of the settings file zirk.ini, instead of $XDG_CONFIG_HOME/zirk")},
        {QStringLiteral("ZIRK_DATA_DIR"),
         QStringLiteral("the folder that holds the data folders (Languages, Sounds, Docs, Drivers), before the "
                        "installed one")},
        {QStringLiteral("LC_ALL, LC_CTYPE, LANG"),
         QStringLiteral("the first one set names the locale whose Windows code page project files' texts use "
                        "(Windows-1250 for Czech, Polish, Slovak, Hungarian, Slovenian and Croatian; 1251 for "
                        "Russian, Ukrainian and Bulgarian; 1253 for Greek; 1254 for Turkish; 1252 for the rest), "
                        "unless ProjectCodePage in the settings names one")},
    };
}

std::vector<ManItem> sharedFileItems()
{
    return {
        {QStringLiteral("~/.config/zirk/zirk.ini"),
         QStringLiteral("the settings: language, user and company, report, sound, archive and the recent "
                        "projects; zirk-cli reads those of zirk")},
        {QStringLiteral("~/.local/share/zirk/archive.sqlite"),
         QStringLiteral("the machine archive unless another is chosen")},
        {QStringLiteral("/usr/share/zirk"), QStringLiteral("language files, sounds, the user manual and the "
                                                           "udev rule's installer")},
    };
}
