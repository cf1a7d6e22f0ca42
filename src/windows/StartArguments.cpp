#include "windows/StartArguments.h"

#include "settings/ProgramEnvironment.h"

StartArguments parseStartArguments(const QStringList &arguments)
{
    StartArguments parsed;
    // The Demo button is for the demonstration start alone: "/demo" as the
    // one and only argument.  Beside anything else it is no switch.
    auto isDemo = [](const QString &argument) { return argument.toLower() == QLatin1String("/demo"); };
    parsed.demo = arguments.size() == 1 && isDemo(arguments.constFirst());
    for (const QString &argument : arguments) {
        if (isDemo(argument))
            continue;
        if (parsed.projectFile.isEmpty() && !argument.isEmpty() && !argument.startsWith(QLatin1Char('-')))
            parsed.projectFile = argument;
    }
    return parsed;
}

namespace {

const char *const kDescription =
    "The desktop program of the Zirk stop-time measuring instrument. Fit the\n"
    "instrument to a guarded machine, trip the safety device ten times or more,\n"
    "and Zirk turns the series of stop times into the minimum safety distance of\n"
    "ISO 13855 and a PDF protocol.\n\n"
    "A project file named on the command line is opened as File > Open opens it;\n"
    "the file manager starts Zirk this way for a double-clicked .zPRJ file.  Qt's\n"
    "own options (-platform, -style, ...) are taken as well.";

std::vector<ManItem> optionItems()
{
    return {
        {QStringLiteral("FILE.zPRJ"), QStringLiteral("open this project")},
        {QStringLiteral("/demo"),
         QStringLiteral("show the Demo button, which adds a random stop time as if the instrument had measured it "
                        "when it is the one and only argument, in any letter case")},
        {QStringLiteral("--help"), QStringLiteral("show this help and exit")},
        {QStringLiteral("--version"), QStringLiteral("show the version and exit")},
    };
}

std::vector<ManItem> environmentItems()
{
    std::vector<ManItem> items = {
        {QStringLiteral("ZIRK_DEVICE"),
         QStringLiteral("the instrument's link: \"simulator\" for the built-in model, or a serial port "
                        "(/dev/ttyUSB0, a pseudo-terminal of zirk-devsim); unset, the USB instrument is found "
                        "by itself")},
    };
    for (const ManItem &item : sharedEnvironmentItems())
        items.push_back(item);
    items.push_back({QStringLiteral("ZIRK_SCREENSHOT"),
                     QStringLiteral("save a picture of the main window to this file after start-up and close "
                                    "again (checks of a build without a display)")});
    items.push_back({QStringLiteral("ZIRK_QUIT_WHEN_SHOWN"),
                     QStringLiteral("when set, end at once when the main window has painted itself, without "
                                    "writing the settings (the start-time benchmark)")});
    return items;
}

std::vector<ManItem> exitStatusItems()
{
    return {{QStringLiteral("0"), QStringLiteral("the window was closed, or --help or --version answered")}};
}

} // namespace

ManPage startManPage()
{
    ManPage page;
    page.name = QStringLiteral("zirk");
    page.summary = QStringLiteral("measure machine stop times and compute ISO 13855 safety distances");
    page.synopsis = {QStringLiteral("[/demo] [FILE.zPRJ]"), QStringLiteral("--help | --version")};
    page.description = QLatin1String(kDescription);
    page.sections.push_back({QStringLiteral("OPTIONS"), QString(), optionItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("EXIT STATUS"), QString(), exitStatusItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("ENVIRONMENT"), QString(), environmentItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("FILES"), QString(), sharedFileItems(), QString(), {}});
    page.sections.push_back({QStringLiteral("SEE ALSO"), QStringLiteral("zirk-cli(1)"), {}, QString(), {}});
    return page;
}

QString startHelp()
{
    const ManPage page = startManPage();
    QString text = QStringLiteral("Usage: zirk ") + page.synopsis.constFirst() + QStringLiteral("\n\n")
        + page.description + QLatin1Char('\n');
    for (const ManSection &section : page.sections) {
        if (section.items.empty())
            continue;
        QString title = section.title.toLower();
        title[0] = title[0].toUpper();
        text += QLatin1Char('\n') + title + QStringLiteral(":\n") + helpItemLines(section.items);
    }
    return text;
}
