#pragma once

// The document the PDF text target writes for one input, shared with the
// test that hands every corpus file's document to qpdf: the text and its
// position go to TzPdf::TextXY, the same bytes become the title and the
// author in the information dictionary.

#include "FuzzTarget.h"

#include "pdf/zPdf.h"

#include <QByteArray>

inline QByteArray pdfTextDocument(const std::uint8_t *data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int font = std::int8_t(in.byte());
    const int x = std::int16_t(in.u16());
    const int y = std::int16_t(in.u16());
    const int fontSize = std::int8_t(in.byte());
    const QByteArray text(reinterpret_cast<const char *>(in.rest()), qsizetype(in.restSize()));

    TzPdf pdf;
    pdf.StartCreating();
    pdf.setTitle(text);
    pdf.setAuthor(text);
    pdf.setCreationDate("20261209103000");
    pdf.setModDate("20261209103000");
    pdf.AddPage(210, 297);
    pdf.TextXY(x, y, font, fontSize, text);
    pdf.FinishCreating();
    return pdf.data();
}
