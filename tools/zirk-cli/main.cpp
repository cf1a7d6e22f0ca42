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
        return ExitSuccess;
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
            return ExitSuccess;
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
    if (std::fflush(stdout) != 0) {
        writeError(QStringLiteral("zirk-cli %1: cannot write the output\n").arg(QLatin1String(command->spec.name)));
        return ExitBadInput;
    }
    return ExitSuccess;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return run(arguments);
}
