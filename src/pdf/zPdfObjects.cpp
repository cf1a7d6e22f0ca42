// The objects a document may carry beyond the fixed layout: they follow the
// pages, and the catalog and pages point to them.
#include "pdf/zPdf.h"
#include "pdf/UnicodeFont.h"

#include <stdexcept>

int TzPdf::AddObject(const QByteArray &body)
{
    if (PagesCount == 0 || m_finished)
        throw std::logic_error("TzPdf::AddObject needs the pages laid out and the document open");
    const int number = kFirstAddedObject();
    m_addedObjects.push_back(body);
    return number + int(m_addedObjects.size()) - 1;
}

void TzPdf::AddCatalogEntries(const QByteArray &entries)
{
    m_catalogEntries.append(entries);
}

void TzPdf::AddPageEntries(int page, const QByteArray &entries)
{
    m_pageEntries.emplace_back(page, entries);
}

qint64 TzPdf::objectOffset(int number) const
{
    return number > 0 && size_t(number) < XRef.size() ? XRef[size_t(number)] : -1;
}

void TzPdf::overwrite(qint64 position, const QByteArray &bytes)
{
    if (position < 0 || position + bytes.size() > PDF.size())
        throw std::out_of_range("TzPdf::overwrite beyond the document");
    PDF.replace(position, bytes.size(), bytes);
}

int TzPdf::kFirstAddedObject() const
{
    // Behind the embedded fonts, which follow the pages.
    int fonts = 0;
    for (const auto &font : m_unicodeFonts)
        fonts += font ? 1 : 0;
    return firstUnicodeFontObject() + fonts * zpdf::EmbeddedFont::kObjectCount;
}

void TzPdf::insertPageEntries()
{
    // The page object leads its page's buffer; what follows it there and in
    // the later pages moves by what is inserted.
    for (const auto &[page, entries] : m_pageEntries) {
        if (page < 0 || page >= PagesCount || entries.isEmpty())
            continue;
        QByteArray &buffer = PagesStream[size_t(page)];
        const qsizetype end = buffer.indexOf("\r\n>>\r\nendobj\r\n");
        if (end < 0)
            continue;
        buffer.insert(end, entries);
        const size_t pageObject = size_t(21 + 3 * page);
        for (size_t object = pageObject + 1; object < XRef.size(); ++object)
            XRef[object] += entries.size();
        m_pagesSize += entries.size();
    }
}

void TzPdf::appendAddedObjects()
{
    const size_t first = size_t(kFirstAddedObject());
    XRef.resize(first + m_addedObjects.size(), 0);
    for (size_t i = 0; i < m_addedObjects.size(); ++i) {
        XRef[first + i] = PDF.size();
        PDF.append(QByteArray::number(qulonglong(first + i))).append(" 0 obj\r\n");
        PDF.append(m_addedObjects[i]);
        if (!m_addedObjects[i].endsWith("\r\n"))
            PDF.append("\r\n");
        PDF.append("endobj\r\n");
    }
    m_addedObjects.clear();
}
