#pragma once

#include "base/ManPage.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <map>
#include <optional>
#include <vector>

// The command line of zirk-cli: one command word, then GNU-style options
// ("--name VALUE", "--name=VALUE", "-o FILE") and files in any order; "--"
// ends the options.  Scripts depend on the exit status, so every way a call
// can fail is one of three.
enum ExitStatus : int {
    ExitSuccess = 0,
    ExitBadInput = 1, // a file or a value the command cannot use
    ExitUsage = 2,    // a call the command does not understand
    ExitUntrusted = 3, // verify: an intact protocol whose certificate is not trusted
};

struct OptionSpec
{
    const char *name;      // "--time", "-o"
    const char *valueName; // "MS"; nullptr for a switch
    const char *help;
    bool repeatable = false;
    bool fileName = false; // the value names a file: an empty one is wrong usage
};

struct CommandSpec
{
    const char *name;
    const char *synopsis; // after "zirk-cli "
    const char *summary;  // one line for the command list
    std::vector<OptionSpec> options; // --json and --help come with every command
    const char *fileName = nullptr;  // what a positional argument is; nullptr: none
    int minFiles = 0;
    int maxFiles = 0; // -1: any number
    const char *details = nullptr;   // paragraphs after the options
};

// What the command reports to the user; main turns it into the message on
// standard error and the exit status.
struct CliError
{
    ExitStatus status;
    QString message;
};

inline CliError badInput(const QString &message) { return {ExitBadInput, message}; }
inline CliError usageError(const QString &message) { return {ExitUsage, message}; }

class Arguments
{
public:
    bool has(const char *option) const;
    // The value of a single-valued option, if given.
    std::optional<QString> value(const char *option) const;
    // Every value of a repeatable option, in the order given.
    QStringList values(const char *option) const;
    const QStringList &files() const { return m_files; }
    bool json() const { return has("--json"); }
    bool help() const { return has("--help"); }

private:
    friend Arguments parseArguments(const CommandSpec &, const QStringList &);
    std::map<QString, QStringList> m_options;
    QStringList m_files;
};

// Parses what follows the command word.  Throws a usage CliError for an
// unknown option, a missing value, a single option given twice or a wrong
// number of files; with --help only the options are checked.
Arguments parseArguments(const CommandSpec &command, const QStringList &arguments);

// Throws a usage CliError when any of the options is missing.
void requireOptions(const Arguments &arguments, std::initializer_list<const char *> options);

QString commandHelp(const CommandSpec &command);
QString commandUsage(const CommandSpec &command); // "Usage: zirk-cli ..." and where to read more
QString programHelp(const std::vector<CommandSpec> &commands);
QString programUsage(const std::vector<CommandSpec> &commands);
// The manual page zirk-cli(1), from the texts --help shows.
ManPage programManPage(const std::vector<CommandSpec> &commands);
