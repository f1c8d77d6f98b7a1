#include "library/text_length.h"

#include <QTextBoundaryFinder>
#include <optional>

namespace {

// Most saved phrases are Latin script, where a cluster is a letter followed by
// any combining diacritical marks. Such text is counted directly, without
// building the full break tables; anything else (other scripts, emoji, Hangul,
// flags, lone surrogates) returns nothing and takes the full algorithm.
std::optional<qsizetype> latinGraphemes(const QString &text)
{
    enum class Previous { start, control, carriageReturn, cluster };
    Previous previous = Previous::start;
    qsizetype count = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' && previous == Previous::carriageReturn) {
            previous = Previous::control; // CR LF is one cluster
        } else if (u < 0x20 || (u >= 0x7f && u < 0xa0) || u == 0xad) {
            ++count; // a control stands alone
            previous = u == u'\r' ? Previous::carriageReturn : Previous::control;
        } else if (u < 0x300) {
            ++count; // a letter, digit, symbol or space starts a cluster
            previous = Previous::cluster;
        } else if (u < 0x370) {
            if (previous != Previous::cluster)
                ++count; // a combining mark with nothing to attach to starts one
            previous = Previous::cluster;
        } else {
            return std::nullopt;
        }
    }
    return count;
}

} // namespace

namespace TextLength {

qsizetype graphemes(const QString &text)
{
    if (text.isEmpty())
        return 0;
    if (const std::optional<qsizetype> count = latinGraphemes(text))
        return *count;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString firstGraphemes(const QString &text, qsizetype count)
{
    if (count <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    qsizetype position = 0;
    while (seen < count) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        position = next;
        ++seen;
    }
    return text.left(position);
}

bool isBlank(const QString &text)
{
    // QChar::isSpace covers the Unicode separators and the ASCII and
    // Latin-1 line breaks, as the learner's keyboard can produce them.
    for (const QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

} // namespace TextLength
