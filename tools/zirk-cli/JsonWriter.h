#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writes one JSON document as it is built.  Numbers are the shortest text
// that reads back to the same double, with "." for a decimal point whatever
// the user's locale, so that a script reads exactly the value the program
// computed; a non-finite number or an empty optional is null.
class JsonWriter
{
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name);

    void value(double number);
    void value(std::optional<double> number);
    void value(long long number);
    void value(bool flag);
    void value(const QString &text);
    void value(const char *text) = delete; // would silently pick bool
    void null();

    // A member of the current object.
    template <typename T>
    void member(std::string_view name, const T &v)
    {
        key(name);
        value(v);
    }

    // The document with a final line feed.
    std::string text() const { return m_text + '\n'; }

private:
    void open(char bracket);
    void close(char bracket);
    void separate();
    void appendString(std::string_view utf8);

    std::string m_text;
    std::vector<bool> m_first; // per open object or array: no member written yet
    bool m_afterKey = false;
};

// The shortest round-trip form of a finite double ("0.1", "100", "1e+22").
std::string jsonNumber(double number);
