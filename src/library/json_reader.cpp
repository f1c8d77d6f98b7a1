#include "library/json_reader.h"

#include <QStringDecoder>
#include <array>
#include <charconv>

namespace {

// Bytes a string can hold as they stand and that need no decoding: printable
// ASCII other than the quote and the backslash.
constexpr std::array<bool, 256> plainAscii = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x80; ++c)
        table[c] = c != '"' && c != '\\';
    return table;
}();

bool isPlain(char c)
{
    return plainAscii[static_cast<unsigned char>(c)];
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

JsonReader::JsonReader(QByteArrayView document) : m_at(document.data()), m_end(document.data() + document.size())
{
    if (document.startsWith("\xEF\xBB\xBF"))
        m_at += 3;
}

bool JsonReader::fail()
{
    m_failed = true;
    return false;
}

void JsonReader::skipWhiteSpace()
{
    while (m_at < m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
        ++m_at;
}

bool JsonReader::expect(char c)
{
    skipWhiteSpace();
    if (m_at == m_end || *m_at != c)
        return fail();
    ++m_at;
    return true;
}

JsonReader::Kind JsonReader::peek()
{
    skipWhiteSpace();
    if (m_failed || m_at == m_end)
        return Kind::invalid;
    switch (*m_at) {
    case '{':
        return Kind::object;
    case '[':
        return Kind::array;
    case '"':
        return Kind::string;
    case 't':
    case 'f':
        return Kind::boolean;
    case 'n':
        return Kind::null;
    default:
        return *m_at == '-' || isDigit(*m_at) ? Kind::number : Kind::invalid;
    }
}

bool JsonReader::open(char bracket)
{
    if (m_failed || !expect(bracket))
        return false;
    if (++m_depth > maxDepth)
        return fail();
    m_first = true;
    return true;
}

// Moves past the separator before the next item, or past the closing bracket
// (`more` false). The container that encloses a closed one has had at least
// that one item, so the next separator there is a comma.
bool JsonReader::next(char close, bool &more)
{
    if (m_failed)
        return false;
    skipWhiteSpace();
    if (m_at == m_end)
        return fail();
    if (*m_at == close) {
        ++m_at;
        --m_depth;
        m_first = false;
        more = false;
        return true;
    }
    if (!m_first && !expect(','))
        return false;
    m_first = false;
    more = true;
    return true;
}

bool JsonReader::beginObject()
{
    return open('{');
}

bool JsonReader::beginArray()
{
    return open('[');
}

bool JsonReader::nextElement()
{
    bool more = false;
    return next(']', more) && more;
}

bool JsonReader::nextMember(QByteArrayView &key)
{
    bool more = false;
    if (!next('}', more) || !more || !expect('"'))
        return false;
    const char *start = m_at;
    while (m_at < m_end && isPlain(*m_at))
        ++m_at;
    if (m_at < m_end && *m_at == '"') {
        key = QByteArrayView(start, m_at - start);
        ++m_at;
    } else {
        // Escapes or non-ASCII: decode, then compare by the UTF-8 form.
        QString decoded;
        if (!readStringWithEscapes(start, decoded))
            return false;
        m_escapedKey = decoded.toUtf8();
        key = m_escapedKey;
    }
    return expect(':');
}

bool JsonReader::readString(QString &out)
{
    if (m_failed || !expect('"'))
        return fail();
    const char *start = m_at;
    while (m_at < m_end && isPlain(*m_at))
        ++m_at;
    if (m_at < m_end && *m_at == '"') {
        out = QString::fromLatin1(start, m_at - start);
        ++m_at;
        return true;
    }
    return readStringWithEscapes(start, out);
}

// The general case from the string's first byte: runs of UTF-8 between
// escapes, each validated as it is decoded.
bool JsonReader::readStringWithEscapes(const char *start, QString &out)
{
    out.clear();
    m_at = start;
    for (;;) {
        const char *run = m_at;
        while (m_at < m_end && *m_at != '"' && *m_at != '\\' && static_cast<unsigned char>(*m_at) >= 0x20)
            ++m_at;
        if (!appendUtf8(run, m_at, out) || m_at == m_end)
            return fail();
        if (*m_at == '"') {
            ++m_at;
            return true;
        }
        if (*m_at != '\\')
            return fail(); // a raw control character
        ++m_at;
        if (!readEscape(out))
            return false;
    }
}

bool JsonReader::appendUtf8(const char *begin, const char *end, QString &out)
{
    if (begin == end)
        return true;
    // Stateless: a sequence cut short by the run's end is an error, not
    // something to complete later; a leading U+FEFF is text, not a mark.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    out += decoder.decode(QByteArrayView(begin, end));
    return !decoder.hasError();
}

// One escape after its backslash. A \u escape may name half of a surrogate
// pair; the two halves meet again in the UTF-16 text, and a lone half is kept
// as it came.
bool JsonReader::readEscape(QString &out)
{
    if (m_at == m_end)
        return fail();
    const char c = *m_at++;
    // The one-letter escapes, each at the index of what it stands for.
    const qsizetype shortEscape = QByteArrayView("\"\\/bfnrt").indexOf(c);
    if (shortEscape >= 0) {
        out += QChar(u"\"\\/\b\f\n\r\t"[shortEscape]);
        return true;
    }
    if (c != 'u')
        return fail();
    if (m_end - m_at < 4)
        return fail();
    char16_t unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(*m_at++);
        if (digit < 0)
            return fail();
        unit = char16_t(unit << 4 | digit);
    }
    out += QChar(unit);
    return true;
}

bool JsonReader::readNumber(double &out)
{
    if (peek() != Kind::number)
        return fail();
    const char *start = m_at;
    auto digits = [this] {
        const char *from = m_at;
        while (m_at < m_end && isDigit(*m_at))
            ++m_at;
        return m_at > from;
    };
    if (*m_at == '-')
        ++m_at;
    if (m_at < m_end && *m_at == '0')
        ++m_at; // no leading zeros: "01" ends after the 0 and fails at the 1
    else if (!digits())
        return fail();
    if (m_at < m_end && *m_at == '.') {
        ++m_at;
        if (!digits())
            return fail();
    }
    if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
        ++m_at;
        if (m_at < m_end && (*m_at == '+' || *m_at == '-'))
            ++m_at;
        if (!digits())
            return fail();
    }
    // Beyond a double's range either way (1e400, 1e-400) is out of range.
    const auto [end, error] = std::from_chars(start, m_at, out);
    return (error == std::errc() && end == m_at) || fail();
}

bool JsonReader::skipLiteral(QByteArrayView literal)
{
    if (!QByteArrayView(m_at, m_end - m_at).startsWith(literal))
        return fail();
    m_at += literal.size();
    return true;
}

bool JsonReader::skipValue()
{
    switch (peek()) {
    case Kind::object: {
        if (!beginObject())
            return false;
        QByteArrayView key;
        while (nextMember(key)) {
            if (!skipValue())
                return false;
        }
        return !m_failed;
    }
    case Kind::array:
        if (!beginArray())
            return false;
        while (nextElement()) {
            if (!skipValue())
                return false;
        }
        return !m_failed;
    case Kind::string: {
        QString ignored;
        return readString(ignored);
    }
    case Kind::number: {
        double ignored = 0;
        return readNumber(ignored);
    }
    case Kind::boolean:
        return skipLiteral(*m_at == 't' ? "true" : "false");
    case Kind::null:
        return skipLiteral("null");
    case Kind::invalid:
        break;
    }
    return fail();
}

bool JsonReader::finish()
{
    if (m_failed)
        return false;
    skipWhiteSpace();
    return m_at == m_end || fail();
}
