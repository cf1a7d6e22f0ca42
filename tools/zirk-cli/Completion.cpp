#include "Completion.h"

#include <QStringList>

namespace {

// The extension a value name asks for: "OUT.zPRJ" gives "zPRJ", "FILE.zPRJ..."
// too; "FILE" any file; empty when the value is no file name.
struct FileKind
{
    bool file = false;
    QString extension;
};

FileKind fileKind(const char *valueName, bool fileName)
{
    const QString name = QLatin1String(valueName ? valueName : "");
    for (QString word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        word.remove(QStringLiteral("..."));
        const qsizetype dot = word.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && dot + 1 < word.size())
            return {true, word.mid(dot + 1)};
    }
    return {fileName || name.contains(QLatin1String("FILE")), QString()};
}

// The bash words that complete a file of that kind; bash-completion's
// _filedir matches the extension in either letter case.
QString fileCompletion(const FileKind &kind)
{
    return kind.extension.isEmpty() ? QStringLiteral("_filedir")
                                    : QStringLiteral("_filedir '%1'").arg(kind.extension);
}

QString quoted(const QStringList &words)
{
    return QLatin1Char('\'') + words.join(QLatin1Char(' ')) + QLatin1Char('\'');
}

} // namespace

QString bashCompletion(const std::vector<Command> &commands)
{
    QStringList names;
    for (const Command &c : commands)
        names.append(QLatin1String(c.spec.name));
    QStringList kinds;
    for (const KindName &k : kindNames())
        kinds.append(QLatin1String(k.name));

    QString script = QStringLiteral(
        "# bash completion for zirk-cli -*- shell-script -*-\n"
        "# Written by the build from zirk-cli's command descriptions.\n\n"
        "_zirk_cli()\n"
        "{\n"
        "    local cur prev words cword\n"
        "    _init_completion || return\n\n"
        "    if [[ $cword -eq 1 ]]; then\n"
        "        COMPREPLY=($(compgen -W %1 -- \"$cur\"))\n"
        "        return\n"
        "    fi\n\n"
        "    local options='' files='' valued='' choices=''\n"
        "    case ${words[1]} in\n")
                         .arg(quoted(names + QStringList{QStringLiteral("--help")}));

    for (const Command &c : commands) {
        const CommandSpec &spec = c.spec;
        QStringList options;
        QStringList valued;
        QString valueCases;
        for (const OptionSpec &o : spec.options) {
            options.append(QLatin1String(o.name));
            if (!o.valueName)
                continue;
            valued.append(QLatin1String(o.name));
            const FileKind kind = fileKind(o.valueName, o.fileName);
            if (kind.file)
                valueCases += QStringLiteral("                %1) %2; return ;;\n").arg(QLatin1String(o.name), fileCompletion(kind));
            else if (QLatin1String(o.name) == QLatin1String("--kind"))
                valueCases += QStringLiteral("                --kind) COMPREPLY=($(compgen -W %1 -- \"$cur\")); return ;;\n")
                                  .arg(quoted(kinds));
        }
        options << QStringLiteral("--json") << QStringLiteral("--help");

        // Positional arguments: words to choose from ("add|list|trend"),
        // then files; or files of the kind the command names.
        QString positional;
        if (spec.fileName && QLatin1String(spec.fileName).contains(QLatin1Char('|'))) {
            const QStringList words = QString::fromLatin1(spec.fileName).split(QLatin1Char('|'));
            const FileKind later = fileKind(spec.synopsis, false);
            positional = QStringLiteral("choices=%1; files=\"%2\"").arg(quoted(words), fileCompletion(later));
        } else if (spec.fileName) {
            positional = QStringLiteral("files=\"%1\"").arg(fileCompletion(fileKind(spec.fileName, true)));
        }

        script += QStringLiteral("        %1)\n").arg(QLatin1String(spec.name));
        if (!valueCases.isEmpty())
            script += QStringLiteral("            case $prev in\n") + valueCases + QStringLiteral("            esac\n");
        script += QStringLiteral("            options=%1\n").arg(quoted(options));
        if (!valued.isEmpty())
            script += QStringLiteral("            valued=%1\n").arg(quoted(valued));
        if (!positional.isEmpty())
            script += QStringLiteral("            %1\n").arg(positional);
        script += QStringLiteral("            ;;\n");
    }

    script += QStringLiteral(
        "        *) return ;;\n"
        "    esac\n\n"
        "    # The value of an option that takes one: nothing to offer.\n"
        "    local o\n"
        "    for o in $valued; do\n"
        "        [[ $prev == \"$o\" ]] && return\n"
        "    done\n\n"
        "    if [[ $cur == -* ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        "        return\n"
        "    fi\n"
        "    if [[ -n $choices && $cword -eq 2 ]]; then\n"
        "        COMPREPLY=($(compgen -W \"$choices\" -- \"$cur\"))\n"
        "        return\n"
        "    fi\n"
        "    [[ -n $files ]] && eval \"$files\"\n"
        "} &&\n"
        "    complete -F _zirk_cli zirk-cli\n\n"
        "# ex: filetype=sh\n");
    return script;
}
