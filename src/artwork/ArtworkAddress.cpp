#include "artwork/ArtworkAddress.h"

ArtworkAddress::ArtworkAddress(const QString &text) : m_url(text, QUrl::StrictMode)
{
    const qsizetype separator = text.indexOf(QLatin1String("://"));
    if (!m_url.isValid() || separator <= 0 || m_url.host().isEmpty())
        return;
    m_writtenScheme = text.left(separator);
    const qsizetype start = separator + 3;
    qsizetype end = start;
    while (end < text.size() && text[end] != u'/' && text[end] != u'?' && text[end] != u'#')
        ++end;
    QString authority = text.mid(start, end - start);
    m_hasUserInfo = authority.contains(u'@') || !m_url.userInfo().isEmpty();
    authority = authority.mid(authority.lastIndexOf(u'@') + 1);
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon >= 0 && !authority.endsWith(u']'))
        authority.truncate(colon);
    m_writtenHost = authority;
    m_valid = true;
}

bool ArtworkAddress::hasDefaultPort() const
{
    return m_url.port() == -1 || m_url.port() == 443;
}

bool ArtworkAddress::isPlainImageAddress(const std::function<bool(const QString &)> &hosts) const
{
    if (!m_valid || m_writtenScheme != QLatin1String("https") || !hosts(m_writtenHost) ||
        m_url.host() != m_writtenHost)
        return false;
    if (!hasDefaultPort() || m_hasUserInfo || m_url.hasFragment())
        return false;
    const QString path = m_url.path(QUrl::FullyEncoded);
    return !path.isEmpty() && path != QLatin1String("/");
}
