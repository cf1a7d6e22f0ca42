#include "safety/VlcTable.h"

#include "base/ErrorHandling.h"
#include "base/SaveFile.h"
#include "safety/SafetyDevice.h"

#include <QIODevice>
#include <QString>

QByteArray vlcTableLine(int line, const QLocale &locale)
{
    if (line == 0)
        return QByteArrayLiteral("time[ms]; d=14mm; d=14mm(Non_Industrial); d=30mm; d=40mm; d=41mm\r\n");

    const double T = line / 1000.0;
    // printf formats in the C locale; only the decimal separator follows the
    // user's locale, there are no thousands separators.
    QString row = QString::asprintf("%.3d; %3.2f; %3.2f; %3.2f; %3.2f; %3.2f", line,
                                    Vypocet_VLC(T, 14.0), Vypocet_VLC_Non_Industrial(T, 14.0),
                                    Vypocet_VLC(T, 30.0), Vypocet_VLC(T, 40.0), Vypocet_VLC(T, 41.0));
    row.replace(QLatin1Char('.'), locale.decimalPoint());
    row += QLatin1String("\r\n");
    // The file is 8-bit text in the system's code page; with the separators
    // of common locales it is plain ASCII.
    return row.toLocal8Bit();
}

QByteArray buildVlcTable(const QLocale &locale)
{
    QByteArray table;
    table.reserve(kVlcTableLineCount * 48);
    for (int line = 0; line < kVlcTableLineCount; ++line)
        table += vlcTableLine(line, locale);
    return table;
}

bool writeVlcTable(QIODevice &out, const QLocale &locale)
{
    for (int line = 0; line < kVlcTableLineCount; ++line) {
        const QByteArray bytes = vlcTableLine(line, locale);
        if (out.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

void saveVlcTable(const QString &fileName, const QLocale &locale)
{
    // The table replaces an earlier one only once it is complete.
    const SaveResult saved = saveWholeFile(fileName, [&locale](QIODevice &file) {
        return writeVlcTable(file, locale);
    });
    if (!saved)
        throw ZirkError(saved.error);
}
