// Writes the manual pages zirk.1 and zirk-cli.1 and zirk-cli's bash
// completion into the folder named by the first argument, from the same
// descriptions that the programs' --help prints and zirk-cli parses with; the
// second argument is the date on the pages.
#include "CommandLine.h"
#include "Commands.h"
#include "Completion.h"
#include "windows/StartArguments.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool write(const QString &fileName, const QString &text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 || !file.flush()) {
        std::fprintf(stderr, "zirk-make-docs: cannot write %s\n", qPrintable(fileName));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: zirk-make-docs FOLDER DATE\n");
        return 2;
    }
    const QDir folder(arguments.at(1));
    const QString &date = arguments.at(2);
    const QString version = QStringLiteral(ZIRK_VERSION);
    std::vector<CommandSpec> specs;
    for (const Command &c : commands())
        specs.push_back(c.spec);
    const bool ok = write(folder.filePath(QStringLiteral("zirk.1")), manPageRoff(startManPage(), version, date))
        && write(folder.filePath(QStringLiteral("zirk-cli.1")), manPageRoff(programManPage(specs), version, date))
        && write(folder.filePath(QStringLiteral("zirk-cli.bash")), bashCompletion(commands()));
    return ok ? 0 : 1;
}
