#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

class TzPdf;

// Files carried inside a PDF (ISO 32000-2 associated files): listed in the
// catalog's /EmbeddedFiles name tree and its /AF array, each with the
// relationship that says what it is to the document ("Source": what the
// document was made from; "Data": the data it shows).
struct PdfAttachment
{
    QString name; // the file name a reader proposes; ASCII keeps it as it is
    QByteArray bytes;
    QByteArray mimeType;     // "application/octet-stream"
    QByteArray relationship; // "Source", "Data"
    QString description;
};

// Adds the files to a laid-out document (after its last page, before
// FinishCreating).
void attachFiles(TzPdf &pdf, const std::vector<PdfAttachment> &files);

// The attached files of a document as it is written, or of a revision of
// it: every file entry (/Filespec) with its embedded stream, in file order.
// A file that is not such a PDF, or whose streams are cut short, gives what
// could be read; nothing for a PDF without attachments.
std::vector<PdfAttachment> readAttachments(const QByteArray &pdf);

// Only ASCII from space to "~" stays in the name a file entry carries;
// anything else becomes "_".
QString attachmentName(const QString &name);

// A PDF file, as its first bytes say.
bool looksLikePdf(const QByteArray &head);
