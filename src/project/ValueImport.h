#pragma once
// Stop times from a plain text file: one value per line, lines separated by
// line feeds (a carriage return before one is dropped), single-byte text.
// A line reads as a value only as a whole (parseDecimal); every other line,
// an empty one included, is skipped without notice.

#include <QIODevice>

#include <functional>

// Calls `value` for each line that reads as a number, in file order, as soon
// as the line has been read.  Returns false when reading the device failed;
// the values handed on before stay handed on.
bool readImportValues(QIODevice &file, char decimalSeparator, const std::function<void(double)> &value);
