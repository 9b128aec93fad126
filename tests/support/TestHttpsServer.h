#pragma once

#include <QByteArray>
#include <QHash>
#include <QSslServer>
#include <QString>

/// An HTTPS server on 127.0.0.1 for tests that drive a real browser: it
/// answers every GET with one page, over a self-signed certificate for
/// `hostNames` made at start with the `openssl` tool as `server.crt` in the
/// work folder (the browser trusts it or ignores certificate errors). Serves
/// on the thread that creates it; each connection serves one request.
class TestHttpsServer : public QObject
{
    Q_OBJECT

public:
    /// Fails (`isListening()` false, `error()` says why) when no
    /// certificate could be made or no port was free.
    TestHttpsServer(QByteArray page, const QString &workFolder, const QStringList &hostNames);

    /// Answers requests for `hostName` with `page` instead.
    void setPage(const QString &hostName, QByteArray page) { m_pages.insert(hostName, page); }

    bool isListening() const { return m_server.isListening(); }
    const QString &error() const { return m_error; }
    quint16 port() const { return m_server.serverPort(); }

private:
    void serve();

    QByteArray m_page;
    QHash<QString, QByteArray> m_pages;
    QSslServer m_server;
    QString m_error;
};
