#include "platform/keyring/LibsecretStore.h"
#include "players/pear/PearConnectionKeyring.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Kind = PlayerError::Kind;

namespace {

// A bus of this test's own with nothing activatable on it: the desktop's
// keyring is installed as a bus service and would otherwise start by itself
// (with the real home folder) the moment anything asks for secrets.
const char kBusConfig[] =
    "<busconfig><type>session</type><listen>unix:dir=%1</listen><policy context='default'>"
    "<allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/><allow own='*'/>"
    "</policy></busconfig>";
const QString kSecrets = QStringLiteral("org.freedesktop.secrets");

} // namespace

class PearKeyringTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_address;
    LibsecretStore m_store;
    PearConnectionKeyring m_tokens{m_store};

    QDBusConnection bus() const { return QDBusConnection::connectToBus(m_address, "keyring"); }
    QDBusMessage call(const QString &method, const QVariant &argument) const
    {
        return QDBusInterface(kSecrets, "/org/freedesktop/secrets",
                              "org.freedesktop.Secret.Service", bus())
            .call(method, argument);
    }

private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<QMap<QString, QString>>();
        QFile config(m_dir.filePath("bus.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly) &&
                config.write(QString::fromLatin1(kBusConfig).arg(m_dir.path()).toUtf8()) > 0);
        config.close();
        m_bus.start("dbus-daemon",
                    {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        QVERIFY2(m_bus.waitForReadyRead(10'000), "dbus-daemon did not start");
        m_address = QString::fromUtf8(m_bus.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8()); // before libsecret's first call
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_keyring, &m_bus})
            process->terminate(), process->waitForFinished(5'000);
    }

    void withoutSecretServiceNothingIsKept()
    {
        QVERIFY(!bus().interface()->isServiceRegistered(kSecrets).value());
        QCOMPARE(m_tokens.read(), std::nullopt);
        QCOMPARE(m_tokens.save("token").localError()->kind(), Kind::pearSetup);
    }

    void savingReplacesTheItemAndALockedKeyringStaysLocked()
    {
        const QString run = m_dir.filePath("run");
        QVERIFY(QDir().mkpath(run) && QDir().mkpath(m_dir.filePath("home")));
        QFile(run).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir.filePath("home"));
        env.insert("XDG_RUNTIME_DIR", run);
        env.insert("XDG_DATA_HOME", m_dir.filePath("home/data"));
        m_keyring.setProcessEnvironment(env);
        m_keyring.start("gnome-keyring-daemon",
                        {"--unlock", "--components=secrets", "--foreground"});
        m_keyring.write("test password");
        m_keyring.closeWriteChannel(); // the unlock password ends at the end of input
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return bus().interface()->isServiceRegistered(kSecrets).value(); }, 10'000),
            qPrintable("gnome-keyring-daemon offered no Secret Service: " +
                       m_keyring.errorString() + ' ' + m_keyring.readAllStandardError()));

        QVERIFY(m_tokens.save("first").isSuccess());
        QVERIFY(m_tokens.save("second").isSuccess());
        QCOMPARE(m_tokens.read(), "second");
        const QMap<QString, QString> query{{"service", "local.velloway.pear"},
                                           {"account", "loopback-26538"}};
        const auto found = qdbus_cast<QList<QDBusObjectPath>>(
            call("SearchItems", QVariant::fromValue(query)).arguments().value(0));
        QCOMPARE(found.size(), 1);
        QDBusInterface item(kSecrets, found[0].path(), "org.freedesktop.Secret.Item", bus());
        QCOMPARE(item.property("Label").toString(), PearConnectionKeyring::kLabel);
        m_tokens.remove();
        QCOMPARE(m_tokens.read(), std::nullopt);

        const QDBusReply<QDBusObjectPath> collection = call("ReadAlias", "default");
        QCOMPARE(
            call("Lock", QVariant::fromValue(QList<QDBusObjectPath>{collection.value()})).type(),
            QDBusMessage::ReplyMessage);
        QCOMPARE(m_tokens.read(), std::nullopt);
        QCOMPARE(m_tokens.save("third").localError()->kind(), Kind::pearSetup);
    }
};

QTEST_GUILESS_MAIN(PearKeyringTest)
#include "tst_pear_keyring.moc"
