#include "library/text_length.h"

#include <QTextBoundaryFinder>

namespace TextLength {

qsizetype graphemes(const QString &text)
{
    if (text.isEmpty())
        return 0;
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
