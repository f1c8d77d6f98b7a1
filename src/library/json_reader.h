#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A strict pull reader over one JSON document in UTF-8. The caller walks the
// document it expects, reading the values it knows and skipping the rest, so
// nothing is built that is not kept. Anything that is not JSON (bad syntax,
// invalid UTF-8, a raw control character or unknown escape in a string, a
// number beyond a double's range, nesting deeper than maxDepth) and any value
// of another type than the one asked for makes the reader fail; once failed,
// every call returns false. A leading UTF-8 byte order mark is skipped.
class JsonReader {
public:
    static constexpr int maxDepth = 1024;

    enum class Kind { object, array, string, number, boolean, null, invalid };

    explicit JsonReader(QByteArrayView document);

    bool failed() const { return m_failed; }

    // The kind of the next value, judged by its first character; nothing is
    // consumed.
    Kind peek();

    // beginObject() opens an object; each nextMember() then reads one key and
    // its colon, and returns false at the closing brace or on failure. The
    // caller reads or skips the member's value before the next call. The key
    // is its UTF-8 bytes, valid until the next call.
    bool beginObject();
    bool nextMember(QByteArrayView &key);

    // The same for arrays: nextElement() returns true while an element follows.
    bool beginArray();
    bool nextElement();

    bool readString(QString &out);
    bool readNumber(double &out);
    bool skipValue();

    // True when the document has been read and only white space follows it.
    bool finish();

private:
    bool fail();
    void skipWhiteSpace();
    bool expect(char c);
    bool open(char bracket);
    bool next(char close, bool &more);
    bool readStringWithEscapes(const char *start, QString &out);
    bool appendUtf8(const char *begin, const char *end, QString &out);
    bool readEscape(QString &out);
    bool skipLiteral(QByteArrayView literal);

    const char *m_at;
    const char *m_end;
    int m_depth = 0;
    bool m_first = false; // no member or element has been read yet in the innermost container
    bool m_failed = false;
    QByteArray m_escapedKey;
};
