#pragma once

#include <QByteArray>
#include <QLocale>

class QIODevice;

// The light-curtain table: ISO 13855 safety distances of vertical light
// curtains for stop times of 1 to 500 ms, as semicolon-separated text that
// spreadsheets open.  Resolutions 14, 30, 40 and 41 mm (industrial) and
// 14 mm non-industrial.  The numbers carry the locale's decimal separator,
// which is why the fields are separated by semicolons.

inline constexpr int kVlcTableRowCount = 500;        // one row per millisecond
inline constexpr int kVlcTableLineCount = kVlcTableRowCount + 1; // with the header

// Line 0 is the header, line t (1..500) the row of t ms; each ends in CR LF.
QByteArray vlcTableLine(int line, const QLocale &locale = QLocale());

// The whole table.
QByteArray buildVlcTable(const QLocale &locale = QLocale());

// Writes the table line by line and stops at the first line the device does
// not take whole; the lines before it stay written.  Returns false on that
// failure (the device's errorString() tells why).
bool writeVlcTable(QIODevice &out, const QLocale &locale = QLocale());

// Creates or replaces the file and writes the table into it.  Throws
// ZirkError with the system's reason when the file cannot be created or
// written; a file of that name from before is then left as it was.
void saveVlcTable(const QString &fileName, const QLocale &locale = QLocale());
