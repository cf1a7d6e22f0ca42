#include "CommandLine.h"

namespace {

const OptionSpec kCommonOptions[] = {
    {"--json", nullptr, "one JSON object on standard output instead of text for people"},
    {"--help", nullptr, "show this help"},
};

const OptionSpec *findOption(const CommandSpec &command, QStringView name)
{
    for (const OptionSpec &o : command.options) {
        if (name == QLatin1String(o.name))
            return &o;
    }
    for (const OptionSpec &o : kCommonOptions) {
        if (name == QLatin1String(o.name))
            return &o;
    }
    return nullptr;
}

QString optionColumn(const OptionSpec &o)
{
    QString s = QLatin1String(o.name);
    if (o.valueName)
        s += QLatin1Char(' ') + QLatin1String(o.valueName);
    return s;
}

QString optionLines(const std::vector<OptionSpec> &options)
{
    int width = 0;
    for (const OptionSpec &o : options)
        width = std::max(width, int(optionColumn(o).size()));
    for (const OptionSpec &o : kCommonOptions)
        width = std::max(width, int(optionColumn(o).size()));
    QString text;
    auto line = [&](const OptionSpec &o) {
        text += QStringLiteral("  ") + optionColumn(o).leftJustified(width + 2) + QLatin1String(o.help)
            + QLatin1Char('\n');
    };
    for (const OptionSpec &o : options)
        line(o);
    for (const OptionSpec &o : kCommonOptions)
        line(o);
    return text;
}

} // namespace

bool Arguments::has(const char *option) const
{
    return m_options.count(QLatin1String(option)) > 0;
}

std::optional<QString> Arguments::value(const char *option) const
{
    const auto it = m_options.find(QLatin1String(option));
    if (it == m_options.end() || it->second.isEmpty())
        return std::nullopt;
    return it->second.constFirst();
}

QStringList Arguments::values(const char *option) const
{
    const auto it = m_options.find(QLatin1String(option));
    return it == m_options.end() ? QStringList() : it->second;
}

Arguments parseArguments(const CommandSpec &command, const QStringList &arguments)
{
    Arguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            parsed.m_files.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> inlineValue;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 2) {
            name = arg.left(eq);
            inlineValue = arg.mid(eq + 1);
        }
        const OptionSpec *spec = findOption(command, name);
        if (!spec)
            throw usageError(QStringLiteral("unknown option %1").arg(name));
        QStringList &values = parsed.m_options[name];
        if (!values.isEmpty() && !spec->repeatable)
            throw usageError(QStringLiteral("%1 given twice").arg(name));
        if (!spec->valueName) {
            if (inlineValue)
                throw usageError(QStringLiteral("%1 takes no value").arg(name));
            values.append(QString());
            continue;
        }
        if (inlineValue) {
            values.append(*inlineValue);
        } else {
            // The next word is the value even when it starts with "-", so
            // that a negative number can be given.
            if (i + 1 >= arguments.size())
                throw usageError(QStringLiteral("%1 needs a value (%2)").arg(name, QLatin1String(spec->valueName)));
            values.append(arguments.at(++i));
        }
        // "-o $OUT" with OUT unset: no file has an empty name.
        if (spec->fileName && values.constLast().isEmpty())
            throw usageError(QStringLiteral("%1: the file name is empty").arg(name));
    }
    if (parsed.help())
        return parsed;

    if (command.fileName && parsed.m_files.contains(QString()))
        throw usageError(QStringLiteral("%1: the file name is empty").arg(QLatin1String(command.fileName)));
    const qsizetype n = parsed.m_files.size();
    if (!command.fileName && n > 0)
        throw usageError(QStringLiteral("unexpected argument %1").arg(parsed.m_files.constFirst()));
    if (n < command.minFiles)
        throw usageError(QStringLiteral("%1 missing").arg(QLatin1String(command.fileName)));
    if (command.maxFiles >= 0 && n > command.maxFiles)
        throw usageError(QStringLiteral("unexpected argument %1").arg(parsed.m_files.at(command.maxFiles)));
    return parsed;
}

void requireOptions(const Arguments &arguments, std::initializer_list<const char *> options)
{
    for (const char *o : options) {
        if (!arguments.has(o))
            throw usageError(QStringLiteral("%1 missing").arg(QLatin1String(o)));
    }
}

QString commandUsage(const CommandSpec &command)
{
    return QStringLiteral("Usage: zirk-cli %1 [--json]\nTry 'zirk-cli %2 --help' for more.\n")
        .arg(QLatin1String(command.synopsis), QLatin1String(command.name));
}

QString commandHelp(const CommandSpec &command)
{
    QString summary = QLatin1String(command.summary);
    summary[0] = summary[0].toUpper();
    QString text = QStringLiteral("Usage: zirk-cli %1 [--json]\n\n%2.\n\nOptions:\n")
                       .arg(QLatin1String(command.synopsis), summary);
    text += optionLines(command.options);
    if (command.details)
        text += QLatin1Char('\n') + QLatin1String(command.details);
    return text;
}

QString programUsage(const std::vector<CommandSpec> &commands)
{
    QStringList names;
    for (const CommandSpec &c : commands)
        names.append(QLatin1String(c.name));
    return QStringLiteral("Usage: zirk-cli COMMAND [OPTIONS] [--json]\nCommands: %1\n"
                          "Try 'zirk-cli --help' for more.\n")
        .arg(names.join(QStringLiteral(", ")));
}

QString programHelp(const std::vector<CommandSpec> &commands)
{
    QString text = QStringLiteral(
        "Usage: zirk-cli COMMAND [OPTIONS] [--json]\n\n"
        "Stop times, ISO 13855 safety distances, project files and reports of the Zirk\n"
        "stop-time measuring instrument, without the window.\n\nCommands:\n");
    int width = 0;
    for (const CommandSpec &c : commands)
        width = std::max(width, int(qstrlen(c.name)));
    for (const CommandSpec &c : commands)
        text += QStringLiteral("  ") + QString::fromLatin1(c.name).leftJustified(width + 2) + QLatin1String(c.summary)
            + QLatin1Char('\n');
    text += QStringLiteral(
        "\n'zirk-cli COMMAND --help' describes a command.\n\n"
        "Numbers are read and shown as in your locale (LC_ALL, LC_NUMERIC, LANG): with\n"
        "a decimal comma 12,5 is twelve and a half, 12.5 is not a number; thousands\n"
        "separators are never read.  Set LC_ALL=C.UTF-8 for a decimal point.\n\n"
        "With --json every command prints one JSON object: numbers in the shortest\n"
        "form that reads back to the same double, with a decimal point whatever the\n"
        "locale, and null where there is no value.\n\n"
        "Exit status: 0 success, 1 bad input (a file or value that cannot be used;\n"
        "one line on standard error names it), 2 wrong usage.\n");
    return text;
}
