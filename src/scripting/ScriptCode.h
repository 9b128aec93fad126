#pragma once

#include <QString>
#include <QtGlobal>

#include <compare>

/// A four-character code of the scripting vocabulary: four ASCII characters
/// packed big-endian into an unsigned 32-bit integer. Event classes and
/// identifiers, keywords, properties, element classes and enumerated values
/// are all named this way.
class ScriptCode
{
public:
    constexpr ScriptCode() = default;
    constexpr explicit ScriptCode(quint32 value) : m_value(value) {}

    /// From a literal of exactly four characters, checked at compile time:
    /// `ScriptCode code = "core";`.
    consteval ScriptCode(const char (&text)[5])
        : m_value(quint32(quint8(text[0])) << 24 | quint32(quint8(text[1])) << 16 |
                  quint32(quint8(text[2])) << 8 | quint32(quint8(text[3])))
    {}

    constexpr quint32 value() const { return m_value; }

    /// The four characters, for messages and test output.
    QString toString() const;

    friend constexpr bool operator==(ScriptCode, ScriptCode) = default;
    friend constexpr auto operator<=>(ScriptCode, ScriptCode) = default;

private:
    quint32 m_value = 0;
};
