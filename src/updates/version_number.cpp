#include "updates/version_number.h"

namespace {
constexpr qsizetype maxParts = 4;
constexpr qsizetype maxDigits = 9; // fits a 32-bit number
} // namespace

std::optional<VersionNumber> VersionNumber::parse(const QString &text)
{
    const QStringList pieces = text.split(u'.');
    if (pieces.size() > maxParts)
        return std::nullopt;
    QList<quint32> parts;
    for (const QString &piece : pieces) {
        if (piece.isEmpty() || piece.size() > maxDigits)
            return std::nullopt;
        for (const QChar c : piece) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
        }
        parts.append(piece.toUInt());
    }
    return VersionNumber(parts);
}

std::strong_ordering VersionNumber::operator<=>(const VersionNumber &other) const
{
    const qsizetype length = std::max(m_parts.size(), other.m_parts.size());
    for (qsizetype i = 0; i < length; ++i) {
        const quint32 mine = m_parts.value(i, 0);
        const quint32 theirs = other.m_parts.value(i, 0);
        if (mine != theirs)
            return mine <=> theirs;
    }
    return std::strong_ordering::equal;
}
