#pragma once

#include "scripting/ScriptCode.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

/// One value of the scripting layer: null, a Boolean, a 32-bit integer, a
/// double, text, raw bytes, an enumerated value, a type code, a list or a
/// record of keyword/value fields. Object references are records whose type
/// is 'obj ' (see ScriptReference).
///
/// Reading a value coerces the way a scripting bridge expects (an integer
/// reads as a double, an integral double as an integer) and answers none
/// when no coercion exists, so a wrongly typed answer is never mistaken
/// for a value.
class ScriptDescriptor
{
public:
    enum class Kind
    {
        null,
        boolean,
        integer,
        real,
        text,
        bytes,
        enumeration,
        type,
        list,
        record
    };

    /// The null descriptor (the application itself, as a container).
    ScriptDescriptor() = default;

    static ScriptDescriptor boolean(bool value);
    static ScriptDescriptor integer(qint32 value);
    static ScriptDescriptor real(double value);
    static ScriptDescriptor text(QString value);
    static ScriptDescriptor bytes(QByteArray value);
    static ScriptDescriptor enumeration(ScriptCode value);
    static ScriptDescriptor type(ScriptCode value);
    static ScriptDescriptor list(std::vector<ScriptDescriptor> items);
    /// An empty record of `recordType` ('reco' for a plain record).
    static ScriptDescriptor record(ScriptCode recordType);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::null; }

    std::optional<bool> booleanValue() const;
    /// Integers, and doubles that are integral and fit in 32 bits.
    std::optional<qint32> int32Value() const;
    /// Integers and doubles.
    std::optional<double> doubleValue() const;
    std::optional<QString> stringValue() const;
    std::optional<QByteArray> dataValue() const;
    std::optional<ScriptCode> enumCodeValue() const;
    std::optional<ScriptCode> typeCodeValue() const;

    /// The items of a list; empty for any other kind.
    const std::vector<ScriptDescriptor> &items() const;

    /// The type of a record ('reco', 'obj ', ...); none for other kinds.
    std::optional<ScriptCode> recordType() const;
    /// Sets a record field, replacing an earlier one with the same keyword.
    /// Does nothing unless this is a record.
    void setField(ScriptCode keyword, ScriptDescriptor value);
    /// The field of a record; none when absent or not a record.
    std::optional<ScriptDescriptor> field(ScriptCode keyword) const;
    /// The same record with another record type (for example 'obj ').
    ScriptDescriptor coercedToRecordType(ScriptCode recordType) const;

    friend bool operator==(const ScriptDescriptor &, const ScriptDescriptor &) = default;

private:
    Kind m_kind = Kind::null;
    bool m_boolean = false;
    qint32 m_integer = 0;
    double m_real = 0;
    ScriptCode m_code;
    QString m_text;
    QByteArray m_bytes;
    std::vector<ScriptDescriptor> m_items;
    std::vector<ScriptCode> m_keys; // record keywords, parallel to m_items
};
