#pragma once

#include <QString>
#include <QUrl>

#include <functional>

/// An artwork address parsed strictly, keeping the scheme and host as they
/// were written (QUrl lower-cases both, and the YouTube rule compares them
/// as written).
class ArtworkAddress
{
public:
    explicit ArtworkAddress(const QString &text);

    /// Parsed as an absolute address with "//" and a host.
    bool isValid() const { return m_valid; }
    const QUrl &url() const { return m_url; }
    const QString &writtenScheme() const { return m_writtenScheme; }
    const QString &writtenHost() const { return m_writtenHost; }
    /// A user name or password, even an empty one ("https://@host").
    bool hasUserInfo() const { return m_hasUserInfo; }
    /// No port, or 443.
    bool hasDefaultPort() const;
    /// What every image host rule asks first: "https" and a host in
    /// `hosts` as written, port absent or 443, no user, no fragment, and a
    /// path other than "/".
    bool isPlainImageAddress(const std::function<bool(const QString &host)> &hosts) const;

private:
    QUrl m_url;
    QString m_writtenScheme;
    QString m_writtenHost;
    bool m_hasUserInfo = false;
    bool m_valid = false;
};
