// zirk-cli: ISO 13855 safety distances, statistics of stop-time series,
// project files and reports of the Zirk instrument, without the window.
#include "CommandLine.h"
#include "Commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace {

void writeError(const QString &text)
{
    std::fflush(stdout);
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
}

// Standard output that did not arrive whole (a full disk, a closed pipe)
// is a failure, never a success with nothing written.  An earlier flush
// that failed (before a line on standard error) leaves only the error
// flag, so both are asked.
int finished(const char *command)
{
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout))
        return ExitSuccess;
    writeError(QStringLiteral("zirk-cli%1%2: cannot write the output to standard output\n")
                   .arg(command ? QStringLiteral(" ") : QString(), command ? QLatin1String(command) : QLatin1String()));
    return ExitBadInput;
}

std::vector<CommandSpec> specs()
{
    std::vector<CommandSpec> list;
    for (const Command &c : commands())
        list.push_back(c.spec);
    return list;
}

int run(const QStringList &arguments)
{
    if (arguments.isEmpty()) {
        writeError(programUsage(specs()));
        return ExitUsage;
    }
    const QString &word = arguments.constFirst();
    if (word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("help")) {
        writeText(programHelp(specs()));
        return finished(nullptr);
    }
    const Command *command = nullptr;
    for (const Command &c : commands()) {
        if (word == QLatin1String(c.spec.name))
            command = &c;
    }
    if (!command) {
        writeError(QStringLiteral("zirk-cli: unknown command '%1'\n").arg(word) + programUsage(specs()));
        return ExitUsage;
    }

    try {
        const Arguments parsed = parseArguments(command->spec, arguments.mid(1));
        if (parsed.help()) {
            writeText(commandHelp(command->spec));
            return finished(command->spec.name);
        }
        command->run(parsed);
    } catch (const CliError &e) {
        QString text = QStringLiteral("zirk-cli %1: %2\n").arg(QLatin1String(command->spec.name), e.message);
        if (e.status == ExitUsage)
            text += commandUsage(command->spec);
        writeError(text);
        return e.status;
    } catch (const std::exception &e) {
        // Anything a unit throws that the command did not expect is still a
        // message, never a crash.
        writeError(QStringLiteral("zirk-cli %1: %2\n").arg(QLatin1String(command->spec.name),
                                                           QString::fromLocal8Bit(e.what())));
        return ExitBadInput;
    }
    return finished(command->spec.name);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return run(arguments);
}
