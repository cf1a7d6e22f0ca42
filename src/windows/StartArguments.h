#pragma once

#include "base/ManPage.h"

#include <QString>
#include <QStringList>

// The command line of the window program: "/demo" (any letter case) as the
// one and only argument shows the Demo button; the first other argument is a project to
// open as File > Open opens it, which is how the file manager hands over a
// double-clicked .zPRJ.  Words starting with "-" are options Qt did not take
// and are ignored; --help and --version are answered before any window.
struct StartArguments
{
    bool demo = false;
    QString projectFile; // empty: none
};

StartArguments parseStartArguments(const QStringList &arguments);

// What the window program says about its command line: --help prints the
// text, the build writes the manual page zirk(1) from the same page.
ManPage startManPage();
QString startHelp();
