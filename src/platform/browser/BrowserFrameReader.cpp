#include "platform/browser/BrowserFrameReader.h"

#include <cstring>

void BrowserFrameReader::append(const char *data, qsizetype size)
{
    if (!m_broken)
        m_buffer.append(data, size);
}

std::optional<QByteArray> BrowserFrameReader::next()
{
    if (m_broken || m_buffer.size() < 4)
        return std::nullopt;
    quint32 length = 0;
    std::memcpy(&length, m_buffer.constData(), sizeof length);
    if (qint64(length) > qint64(m_max)) {
        m_broken = true;
        m_buffer.clear();
        return std::nullopt;
    }
    if (m_buffer.size() - 4 < qsizetype(length))
        return std::nullopt;
    QByteArray body = m_buffer.mid(4, length);
    m_buffer.remove(0, 4 + qsizetype(length));
    return body;
}

QByteArray BrowserFrameReader::frame(const QByteArray &body)
{
    const quint32 length = quint32(body.size());
    QByteArray bytes(reinterpret_cast<const char *>(&length), sizeof length);
    return bytes + body;
}
