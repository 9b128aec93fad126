#pragma once

#include <QByteArray>

#include <optional>

/// Cuts a byte stream into native-messaging frames: a 32-bit length in this
/// machine's byte order, then that many bytes. A frame longer than the cap
/// breaks the stream for good: nothing after an unread body can be trusted,
/// so the reader never buffers more than one frame and one read's worth.
class BrowserFrameReader
{
public:
    explicit BrowserFrameReader(qsizetype maxFrameBytes) : m_max(maxFrameBytes) {}

    void append(const char *data, qsizetype size);
    /// The body of the next complete frame, if one has arrived.
    std::optional<QByteArray> next();
    /// True once a length over the cap was announced.
    bool isBroken() const { return m_broken; }
    /// Bytes of an unfinished frame held back.
    qsizetype pendingBytes() const { return m_buffer.size(); }

    /// `body` with its length prefix.
    static QByteArray frame(const QByteArray &body);

private:
    QByteArray m_buffer;
    qsizetype m_max;
    bool m_broken = false;
};
