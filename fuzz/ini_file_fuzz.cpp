// The INI reader of the settings and language files on any file contents,
// and a read-write-read round trip as the program's exit makes it: the keys
// written read back as written (line breaks as blanks, blanks at the ends
// and everything beyond 2047 characters dropped, as reading does), and every
// other key reads as it did before.
#include "FuzzTarget.h"

#include "settings/AppSettings.h"
#include "settings/IniFile.h"

#include <QStringList>

#include <algorithm>

namespace {

struct Key
{
    QString section;
    QString key;
};

// The settings file's own keys and whatever "[section]" and "key=" the input
// seems to hold, in the single-byte reading.
std::vector<Key> keysToCompare(const QByteArray &bytes)
{
    std::vector<Key> keys;
    for (const char *k : {"Language", "SoundFile", "PlaySound", "UserName", "CompanyName", "SSSpeed", "LastDir",
                          "AutoReleaseDistance", "LastMachineID", "LastNote"})
        keys.push_back({QStringLiteral("Settings"), QString::fromLatin1(k)});
    for (const char *k : {"MainWindowLeft", "MainWindowTop", "SafetyAdvisorTop"})
        keys.push_back({QStringLiteral("Windows Positions"), QString::fromLatin1(k)});
    QString section;
    int found = 0;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.startsWith(u'[') && line.contains(u']')) {
            section = line.mid(1, line.lastIndexOf(u']') - 1).trimmed();
        } else if (line.contains(u'=') && ++found <= 24) {
            keys.push_back({section, line.left(line.indexOf(u'=')).trimmed()});
        }
    }
    return keys;
}

QString asRead(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    value = value.trimmed();
    if (value.size() > IniFile::kMaxValueLength) {
        value.truncate(IniFile::kMaxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

bool sameName(const QString &a, const QString &b)
{
    return a.trimmed().toCaseFolded() == b.trimmed().toCaseFolded();
}

} // namespace

ZIRK_FUZZ_TARGET(ini_file)
{
    fuzz::Input in(data, size);
    const std::size_t valueLength = std::min<std::size_t>(in.byte(), in.restSize());
    const QString value = QString::fromUtf8(reinterpret_cast<const char *>(in.rest()), qsizetype(valueLength));
    const QByteArray bytes(reinterpret_cast<const char *>(in.rest() + valueLength),
                           qsizetype(in.restSize() - valueLength));

    const IniFile before = IniFile::fromBytes(bytes, settingsCodePage());
    const std::vector<Key> keys = keysToCompare(bytes);
    for (const Key &k : keys) {
        FUZZ_CHECK(before.readString(k.section, k.key, QString()).size() <= IniFile::kMaxValueLength);
        before.readInteger(k.section, k.key, 0);
        before.readBool(k.section, k.key, false);
    }

    const std::vector<std::pair<Key, QString>> written = {
        {{QStringLiteral("Settings"), QStringLiteral("UserName")}, value},
        {{QStringLiteral("Settings"), QStringLiteral("LastNote")}, QStringLiteral("first line\r\nsecond ") + value},
        {{QStringLiteral("ListView"), QStringLiteral("Col1Width")}, QStringLiteral("140")},
        {{QStringLiteral("Zirk Round Trip"), QStringLiteral("Value")}, value},
    };
    IniFile changed = before;
    for (const auto &[k, v] : written)
        changed.writeString(k.section, k.key, v);
    const IniFile after = IniFile::fromBytes(changed.toBytes(), settingsCodePage());

    for (const auto &[k, v] : written)
        FUZZ_CHECK(after.readString(k.section, k.key, QStringLiteral("<missing>")) == asRead(v));
    for (const Key &k : keys) {
        const bool overwritten = std::any_of(written.begin(), written.end(), [&](const auto &w) {
            return sameName(w.first.section, k.section) && sameName(w.first.key, k.key);
        });
        if (!overwritten)
            FUZZ_CHECK(after.readString(k.section, k.key, QStringLiteral("<missing>"))
                       == before.readString(k.section, k.key, QStringLiteral("<missing>")));
    }
    return 0;
}
