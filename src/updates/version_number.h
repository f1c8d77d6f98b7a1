#pragma once

#include <QList>
#include <QString>
#include <compare>
#include <optional>

// A release number such as "1.4.0": one to four whole numbers joined by dots.
// Numbers compare part by part (1.10 comes after 1.9) and missing parts count
// as zero (1.4 equals 1.4.0).
class VersionNumber {
public:
    static std::optional<VersionNumber> parse(const QString &text);

    std::strong_ordering operator<=>(const VersionNumber &other) const;
    bool operator==(const VersionNumber &other) const { return (*this <=> other) == 0; }

private:
    explicit VersionNumber(QList<quint32> parts) : m_parts(std::move(parts)) {}
    QList<quint32> m_parts;
};
