#include "support/TestHttpsServer.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>

TestHttpsServer::TestHttpsServer(QByteArray page, const QString &workFolder,
                                 const QStringList &hostNames)
    : m_page(std::move(page))
{
    const QString key = workFolder + QStringLiteral("/server.key");
    const QString certificate = workFolder + QStringLiteral("/server.crt");
    QProcess openssl;
    // Not an authority, so that a browser may trust it as the server itself.
    openssl.start(
        QStringLiteral("openssl"),
        QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost -addext "
                       "basicConstraints=CA:FALSE -addext")
                .split(u' ') +
            QStringList{"subjectAltName=DNS:" + hostNames.join(",DNS:"), QStringLiteral("-keyout"),
                        key, QStringLiteral("-out"), certificate});
    if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl could not make a certificate: ") +
                  QString::fromLocal8Bit(openssl.readAllStandardError());
        return;
    }
    QFile keyFile(key);
    QFile certificateFile(certificate);
    if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("the certificate files cannot be read");
        return;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(&certificateFile, QSsl::Pem));
    configuration.setPrivateKey(QSslKey(&keyFile, QSsl::Rsa, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(configuration);
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &TestHttpsServer::serve);
    if (!m_server.listen(QHostAddress::LocalHost))
        m_error = m_server.errorString();
}

void TestHttpsServer::serve()
{
    while (auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection())) {
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QSslSocket::readyRead, socket, [this, socket] {
            const QByteArray request =
                socket->property("request").toByteArray() + socket->readAll();
            socket->setProperty("request", request);
            if (!request.contains("\r\n\r\n"))
                return;
            static const QRegularExpression host(QStringLiteral("\r\nHost: ([^:\r]+)"),
                                                 QRegularExpression::CaseInsensitiveOption);
            const QString name = host.match(QString::fromLatin1(request)).captured(1);
            const QByteArray page = m_pages.value(name, m_page);
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                          "Cache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
                          QByteArray::number(page.size()) + "\r\n\r\n" + page);
            socket->disconnectFromHost();
        });
    }
}
