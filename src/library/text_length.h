#pragma once

#include <QString>

// Text measures shared by the records: saved phrases count user-perceived
// characters (grapheme clusters), lookup cards count UTF-16 code units.
namespace TextLength {

// Number of extended grapheme clusters ("é" written as e + U+0301 counts one).
qsizetype graphemes(const QString &text);

// The text cut after its first `count` grapheme clusters.
QString firstGraphemes(const QString &text, qsizetype count);

// True when nothing is left once Unicode white space and line breaks are
// trimmed from both ends.
bool isBlank(const QString &text);

} // namespace TextLength
