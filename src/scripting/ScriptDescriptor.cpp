#include "scripting/ScriptDescriptor.h"

#include <cmath>
#include <limits>

ScriptDescriptor ScriptDescriptor::boolean(bool value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::boolean;
    d.m_boolean = value;
    return d;
}

ScriptDescriptor ScriptDescriptor::integer(qint32 value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::integer;
    d.m_integer = value;
    return d;
}

ScriptDescriptor ScriptDescriptor::real(double value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::real;
    d.m_real = value;
    return d;
}

ScriptDescriptor ScriptDescriptor::text(QString value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::text;
    d.m_text = std::move(value);
    return d;
}

ScriptDescriptor ScriptDescriptor::bytes(QByteArray value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::bytes;
    d.m_bytes = std::move(value);
    return d;
}

ScriptDescriptor ScriptDescriptor::enumeration(ScriptCode value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::enumeration;
    d.m_code = value;
    return d;
}

ScriptDescriptor ScriptDescriptor::type(ScriptCode value)
{
    ScriptDescriptor d;
    d.m_kind = Kind::type;
    d.m_code = value;
    return d;
}

ScriptDescriptor ScriptDescriptor::list(std::vector<ScriptDescriptor> items)
{
    ScriptDescriptor d;
    d.m_kind = Kind::list;
    d.m_items = std::move(items);
    return d;
}

ScriptDescriptor ScriptDescriptor::record(ScriptCode recordType)
{
    ScriptDescriptor d;
    d.m_kind = Kind::record;
    d.m_code = recordType;
    return d;
}

std::optional<bool> ScriptDescriptor::booleanValue() const
{
    if (m_kind == Kind::boolean)
        return m_boolean;
    return std::nullopt;
}

std::optional<qint32> ScriptDescriptor::int32Value() const
{
    if (m_kind == Kind::integer)
        return m_integer;
    if (m_kind == Kind::real && std::isfinite(m_real) && std::trunc(m_real) == m_real &&
        m_real >= std::numeric_limits<qint32>::min() &&
        m_real <= std::numeric_limits<qint32>::max())
        return qint32(m_real);
    return std::nullopt;
}

std::optional<double> ScriptDescriptor::doubleValue() const
{
    if (m_kind == Kind::real)
        return m_real;
    if (m_kind == Kind::integer)
        return double(m_integer);
    return std::nullopt;
}

std::optional<QString> ScriptDescriptor::stringValue() const
{
    if (m_kind == Kind::text)
        return m_text;
    return std::nullopt;
}

std::optional<QByteArray> ScriptDescriptor::dataValue() const
{
    if (m_kind == Kind::bytes)
        return m_bytes;
    return std::nullopt;
}

std::optional<ScriptCode> ScriptDescriptor::enumCodeValue() const
{
    if (m_kind == Kind::enumeration)
        return m_code;
    return std::nullopt;
}

std::optional<ScriptCode> ScriptDescriptor::typeCodeValue() const
{
    if (m_kind == Kind::type)
        return m_code;
    return std::nullopt;
}

const std::vector<ScriptDescriptor> &ScriptDescriptor::items() const
{
    static const std::vector<ScriptDescriptor> none;
    return m_kind == Kind::list ? m_items : none;
}

std::optional<ScriptCode> ScriptDescriptor::recordType() const
{
    if (m_kind == Kind::record)
        return m_code;
    return std::nullopt;
}

void ScriptDescriptor::setField(ScriptCode keyword, ScriptDescriptor value)
{
    if (m_kind != Kind::record)
        return;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i] == keyword) {
            m_items[i] = std::move(value);
            return;
        }
    }
    m_keys.push_back(keyword);
    m_items.push_back(std::move(value));
}

std::optional<ScriptDescriptor> ScriptDescriptor::field(ScriptCode keyword) const
{
    if (m_kind != Kind::record)
        return std::nullopt;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i] == keyword)
            return m_items[i];
    }
    return std::nullopt;
}

ScriptDescriptor ScriptDescriptor::coercedToRecordType(ScriptCode recordType) const
{
    ScriptDescriptor d = *this;
    if (d.m_kind == Kind::record)
        d.m_code = recordType;
    return d;
}
