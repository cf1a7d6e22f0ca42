#include "CommandLine.h"

#include "settings/ProgramEnvironment.h"

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

// A command's options and the common ones, as --help and the manual page
// list them.
std::vector<ManItem> optionItems(const CommandSpec &command)
{
    std::vector<ManItem> items;
    for (const OptionSpec &o : command.options)
        items.push_back({optionColumn(o), QLatin1String(o.help)});
    for (const OptionSpec &o : kCommonOptions)
        items.push_back({optionColumn(o), QLatin1String(o.help)});
    return items;
}

QString capitalised(const char *text)
{
    QString s = QLatin1String(text);
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

// --- what the program says about itself, in --help and in the manual page ---

const char *const kSummary = "stop times, ISO 13855 safety distances, project files and reports without the window";

const char *const kDescription =
    "Stop times, ISO 13855 safety distances, project files and reports of the Zirk\n"
    "stop-time measuring instrument, without the window.";

const char *const kNotes =
    "Numbers are read and shown as in your locale (LC_ALL, LC_NUMERIC, LANG): with\n"
    "a decimal comma 12,5 is twelve and a half, 12.5 is not a number; thousands\n"
    "separators are never read.  Set LC_ALL=C.UTF-8 for a decimal point.\n\n"
    "With --json every command prints one JSON object: numbers in the shortest\n"
    "form that reads back to the same double, with a decimal point whatever the\n"
    "locale, and null where there is no value.";

std::vector<ManItem> exitStatusItems()
{
    return {
        {QString::number(ExitSuccess), QStringLiteral("success")},
        {QString::number(ExitBadInput), QStringLiteral("bad input: a file or value that cannot be used; one line on "
                                                       "standard error names it")},
        {QString::number(ExitUsage), QStringLiteral("wrong usage")},
    };
}

std::vector<ManItem> environmentItems()
{
    std::vector<ManItem> items = sharedEnvironmentItems();
    items.push_back({QStringLiteral("LC_ALL, LC_NUMERIC, LANG"), QStringLiteral("the number format read and shown")});
    items.push_back({QStringLiteral("ZIRK_ARCHIVE_WAIT"),
                     QStringLiteral("seconds an archive command waits for an answer of the archive before it gives "
                                    "up (default 30)")});
    return items;
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
    QString text = QStringLiteral("Usage: zirk-cli %1 [--json]\n\n%2.\n\nOptions:\n")
                       .arg(QLatin1String(command.synopsis), capitalised(command.summary));
    text += helpItemLines(optionItems(command));
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
    QString text = QStringLiteral("Usage: zirk-cli COMMAND [OPTIONS] [--json]\n\n") + QLatin1String(kDescription)
        + QStringLiteral("\n\nCommands:\n");
    std::vector<ManItem> list;
    for (const CommandSpec &c : commands)
        list.push_back({QLatin1String(c.name), QLatin1String(c.summary)});
    text += helpItemLines(list);
    text += QStringLiteral("\n'zirk-cli COMMAND --help' describes a command.\n\n") + QLatin1String(kNotes);
    text += QStringLiteral("\n\nExit status:\n") + helpItemLines(exitStatusItems());
    text += QStringLiteral("\nEnvironment:\n") + helpItemLines(environmentItems());
    text += QStringLiteral("\nFiles:\n") + helpItemLines(sharedFileItems());
    return text;
}

ManPage programManPage(const std::vector<CommandSpec> &commands)
{
    ManPage page;
    page.name = QStringLiteral("zirk-cli");
    page.summary = QLatin1String(kSummary);
    page.synopsis = {QStringLiteral("COMMAND [OPTIONS] [--json]"), QStringLiteral("COMMAND --help"),
                     QStringLiteral("--help")};
    page.description = QLatin1String(kDescription) + QStringLiteral("\n\n") + QLatin1String(kNotes);
    ManSection list{QStringLiteral("COMMANDS"), QString(), {}, QString(), {}};
    for (const CommandSpec &c : commands) {
        ManSection command{QLatin1String(c.name),
                           QStringLiteral("zirk-cli ") + QLatin1String(c.synopsis) + QStringLiteral(" [--json]\n\n")
                               + capitalised(c.summary) + QLatin1Char('.'),
                           optionItems(c),
                           c.details ? QLatin1String(c.details) : QString(),
                           {}};
        list.subsections.push_back(command);
    }
    page.sections.push_back(list);
    page.sections.push_back({QStringLiteral("EXIT STATUS"), QString(), exitStatusItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("ENVIRONMENT"), QString(), environmentItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("FILES"), QString(), sharedFileItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("SEE ALSO"), QStringLiteral("zirk(1)"), {}, QString(), {}});
    return page;
}
