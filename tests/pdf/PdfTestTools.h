#pragma once
// Helpers of the PDF writer tests: run the reference readers (qpdf, poppler,
// MuPDF) on a file, and find a page's content stream in a finished document.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool started = false;
};

inline ToolResult runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ToolResult result;
    result.started = process.waitForStarted(10000);
    if (!result.started)
        return result;
    process.waitForFinished(60000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The content of 0-based page p, taken by the length its length object
// declares (so a wrong length shows up as a wrong content).  Empty and
// *ok false when the objects are not where the layout puts them.
inline QByteArray pageContent(const QByteArray &pdf, int page, bool *ok = nullptr)
{
    if (ok)
        *ok = false;
    const QByteArray streamHead = "\r\n" + QByteArray::number(22 + 3 * page) + " 0 obj\r\n<< /Length "
                                  + QByteArray::number(23 + 3 * page) + " 0 R >>\r\nstream\r\n";
    const qsizetype start = pdf.indexOf(streamHead);
    const QByteArray lengthHead = "\r\n" + QByteArray::number(23 + 3 * page) + " 0 obj\r\n";
    const qsizetype lengthAt = pdf.lastIndexOf(lengthHead);
    if (start < 0 || lengthAt < 0)
        return {};
    const qsizetype numberAt = lengthAt + lengthHead.size();
    const qsizetype numberEnd = pdf.indexOf("\r\n", numberAt);
    const qsizetype length = pdf.mid(numberAt, numberEnd - numberAt).toLongLong();
    const qsizetype contentAt = start + streamHead.size();
    if (pdf.mid(contentAt + length, 11) != "endstream\r\n")
        return {};
    if (ok)
        *ok = true;
    return pdf.mid(contentAt, length);
}
