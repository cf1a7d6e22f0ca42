#pragma once

#include <QByteArray>
#include <QString>

// Conversion between the program's Unicode text and the single-byte code
// pages of its files: the PDF report declares the Windows-1250 layout, and
// project and settings files written on Western European Windows systems
// hold Windows-1252 text.
//
// codePage is an iconv name ("WINDOWS-1250", "CP1252", "ISO-8859-2", ...)
// of a code page with one byte per character; anything else throws
// std::invalid_argument.  The tables are built once per code page.

// A character the code page cannot hold becomes "?", one per character
// (a surrogate pair counts as one character), as Windows does by default.
QByteArray encodeSingleByte(const QString &text, const char *codePage);

// A byte the code page leaves undefined (0x81 in Windows-1252, ...) becomes
// the character of the same number, U+0081, as Windows reads it, so every
// byte survives a round trip.
QString decodeSingleByte(const QByteArray &bytes, const char *codePage);

QByteArray toWindows1250(const QString &text);
QString fromWindows1250(const QByteArray &bytes);
QByteArray toWindows1252(const QString &text);
QString fromWindows1252(const QByteArray &bytes);

// --- Windows' ANSI code pages ---
// Windows keeps the text of a program that is not Unicode in the "ANSI"
// code page of the user's language.  These are the ones a Zirk user meets.
inline constexpr int kWindowsAnsiCodePages[] = {1250, 1251, 1252, 1253, 1254};

// The name of one of them ("Windows-1250"), as iconv and people read it;
// nullptr for any other number.
const char *windowsCodePageName(int codePage);

// The ANSI code page Windows gives a user of the locale named localeName
// ("cs_CZ.UTF-8", "pl_PL", "de-AT", "C", ""): 1250 for Czech, Polish,
// Slovak, Hungarian, Slovenian and Croatian; 1251 for Russian, Ukrainian
// and Bulgarian; 1253 for Greek; 1254 for Turkish; 1252 for every other
// language and for none.
int windowsAnsiCodePage(const QString &localeName);

// The same for the locale of this process's character handling, as POSIX
// orders it: LC_ALL, else LC_CTYPE, else LANG.
int windowsAnsiCodePageOfEnvironment();
