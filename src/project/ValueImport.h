#pragma once
// Stop times from a plain text file: one value per line, lines separated by
// line feeds (a carriage return before one is dropped).  A line reads as a
// value only as a whole (parseDecimal); every other line, an empty one
// included, is skipped.
//
// The file is single-byte text, except that a UTF-8 byte-order mark is
// skipped and a file that starts with a UTF-16 byte-order mark (as Windows
// Notepad saves "Unicode") is decoded as UTF-16: a lost first value, or a
// whole file read as nothing, would lower the governing stop time and with
// it the safety distance.
//
// The file is read in pieces and each line is looked at once, so memory
// stays bounded and time grows with the file, whatever it holds: a line
// longer than any number can be (kMaxImportLineLength bytes) cannot be a
// stop time and is skipped as it streams past, so /dev/zero or a file of
// one endless line ends in a count of lines that were not numbers.

#include <QIODevice>
#include <QString>

#include <functional>

inline constexpr qsizetype kMaxImportLineLength = 4096;

// What an import did, for the user to see after it.
struct ImportSummary
{
    bool readFailed = false;        // reading the device failed before its end
    qint64 added = 0;               // values handed on
    qint64 notNumbers = 0;          // lines with text that were not a number
    qint64 firstNotNumberLine = 0;  // 1-based; 0 when there was none
    QString firstNotNumberText;     // that line as the user wrote it, cut short
    bool cancelled = false;         // keepGoing said stop before the end
};

// Calls `value` for each line that reads as a number, in file order, as soon
// as the line has been read.  Lines of nothing but blanks are empty lines,
// not lines that are not numbers.  When reading fails, the values handed on
// before stay handed on and readFailed is set.
// keepGoing, when given, is asked after each piece read with the bytes read
// so far; false stops the import there (cancelled).
ImportSummary readImportValues(QIODevice &file, char decimalSeparator, const std::function<void(double)> &value,
                               const std::function<bool(qint64)> &keepGoing = {});

// "12 values added; 2 lines were not numbers, the first: line 4 "12 ms"".
QString importSummaryText(const ImportSummary &summary);

// What the status bar says of a cancelled import.
QString importCancelledText();
