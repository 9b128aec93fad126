#include "scripting/ScriptCode.h"

QString ScriptCode::toString() const
{
    const char text[4] = {char(m_value >> 24), char(m_value >> 16), char(m_value >> 8),
                          char(m_value)};
    return QString::fromLatin1(text, 4);
}
