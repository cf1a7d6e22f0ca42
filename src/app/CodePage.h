#pragma once

#include <QByteArray>
#include <QString>

// Single-byte code pages of the Windows family, as the instrument's older
// files and the PDF report's text encoding use them.  Known names:
// "windows-1250" (Central European) and "windows-1252" (Western); any other
// name is read as ISO 8859-1.  The bytes the Windows tables leave undefined
// map to the control character of the same value, so decoding and encoding
// again gives back every byte.

// Characters the code page cannot hold become '?'.
QByteArray encodeSingleByte(const QString &text, const char *codePage);
QString decodeSingleByte(const QByteArray &bytes, const char *codePage);
