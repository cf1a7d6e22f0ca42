#include "JsonWriter.h"

#include <charconv>
#include <cmath>

std::string jsonNumber(double number)
{
    char buffer[32];
    // Without a format, to_chars gives the shortest round-trip form and
    // ignores the C library's locale.
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    return ec == std::errc() ? std::string(buffer, end) : std::string("null");
}

void JsonWriter::separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_text += ',';
        m_first.back() = false;
    }
}

void JsonWriter::open(char bracket)
{
    separate();
    m_text += bracket;
    m_first.push_back(true);
}

void JsonWriter::close(char bracket)
{
    m_first.pop_back();
    m_text += bracket;
}

void JsonWriter::key(std::string_view name)
{
    separate();
    appendString(name);
    m_text += ':';
    m_afterKey = true;
}

void JsonWriter::value(double number)
{
    if (!std::isfinite(number)) {
        null();
        return;
    }
    separate();
    m_text += jsonNumber(number);
}

void JsonWriter::value(std::optional<double> number)
{
    if (number)
        value(*number);
    else
        null();
}

void JsonWriter::value(long long number)
{
    separate();
    m_text += std::to_string(number);
}

void JsonWriter::value(bool flag)
{
    separate();
    m_text += flag ? "true" : "false";
}

void JsonWriter::value(const QString &text)
{
    separate();
    const QByteArray utf8 = text.toUtf8();
    appendString(std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

void JsonWriter::null()
{
    separate();
    m_text += "null";
}

void JsonWriter::appendString(std::string_view utf8)
{
    static const char hex[] = "0123456789abcdef";
    m_text += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': m_text += "\\\""; break;
        case '\\': m_text += "\\\\"; break;
        case '\n': m_text += "\\n"; break;
        case '\r': m_text += "\\r"; break;
        case '\t': m_text += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                m_text += "\\u00";
                m_text += hex[(c >> 4) & 0xf];
                m_text += hex[c & 0xf];
            } else {
                m_text += c;
            }
        }
    }
    m_text += '"';
}
