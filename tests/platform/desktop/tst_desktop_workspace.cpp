#include "platform/desktop/DesktopWorkspace.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"

#include <QDBusConnection>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

// The file manager of the session, as the test's private bus sees it.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList &uris, const QString &) { shown = uris; }
};

// Real gio and xdg-open find stand-in handlers through a private
// XDG_DATA_HOME and XDG_CONFIG_HOME; each handler writes the arguments it
// got, NUL-separated, to a file.
class DesktopWorkspaceTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QByteArray m_files;
    VirtualTime m_time;
    DesktopWorkspace m_workspace{m_time};

    QString path(const QString &name) const { return m_home.filePath(name); }

    void write(const QString &name, const QByteArray &contents)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    void entry(const QString &id, const QByteArray &exec, const QByteArray &types = {})
    {
        write("data/applications/" + id + ".desktop",
              "[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=" + exec +
                  "\nMimeType=" + types + "\n");
    }

    QByteArray handled() const
    {
        QFile file(path("argv"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(not run)");
    }

    template <typename Start> static bool await(Start start)
    {
        std::optional<bool> result;
        start([&](bool opened) { result = opened; });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000); }();
        return result.value_or(false);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!QStandardPaths::findExecutable("gio").isEmpty());
        QDir(m_home.path()).mkpath("data/applications");
        QDir(m_home.path()).mkpath("config");
        QDir(m_home.path()).mkpath("files");
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
        qunsetenv("XDG_CURRENT_DESKTOP");
        m_files = QFile::encodeName(path("files"));
        const QByteArray argv = QFile::encodeName(path("argv"));
        write("handler", "#!/bin/sh\nfor a do printf '%s\\0' \"$a\"; done > '" + argv +
                             ".new'\nmv '" + argv + ".new' '" + argv + "'\n");
        write("hang", "#!/bin/sh\necho $$ > '" + argv + "'\nexec sleep 600\n");
        const QByteArray handler = QFile::encodeName(path("handler"));
        entry("velloway-file", handler + " %f", "text/plain;inode/directory;");
        entry("velloway-url", handler + " %u", "x-scheme-handler/velloway-test;");
        entry("velloway-hang", QFile::encodeName(path("hang")) + " %u",
              "x-scheme-handler/velloway-hang;");
        entry("velloway-app", handler + " launched");
        entry("velloway-broken", "/nonexistent/velloway-program");
        write("config/mimeapps.list", "[Default Applications]\n"
                                      "text/plain=velloway-file.desktop\n"
                                      "inode/directory=velloway-file.desktop\n"
                                      "x-scheme-handler/velloway-test=velloway-url.desktop\n"
                                      "x-scheme-handler/velloway-hang=velloway-hang.desktop\n");
    }

    void init() { QFile::remove(path("argv")); }

    void openingAFileOpensExactlyThatFile_data()
    {
        QTest::addColumn<QByteArray>("name");
        row("plain", QByteArray("notes.txt"));
        row("spaces", QByteArray("my notes  final.txt"));
        row("quotes and shell", QByteArray("it's \"$(touch x)\" `id`;*.txt"));
        row("leading dash", QByteArray("-rf --help.txt"));
        row("url characters", QByteArray("100% #1 ?a=b&c.txt"));
        row("line break", QByteArray("two\nlines.txt"));
        row("not utf-8", QByteArray("caf\xe9 \xff.txt"));
    }

    void openingAFileOpensExactlyThatFile()
    {
        QFETCH(QByteArray, name);
        const QByteArray file = m_files + '/' + name;
        const int fd = ::open(file.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        QVERIFY(fd >= 0);
        const auto removal = qScopeGuard([&] { ::unlink(file.constData()); });
        QCOMPARE(::write(fd, "text\n", 5), 5);
        ::close(fd);

        // A name that is not UTF-8 has no QString; it travels as its file URL.
        const QString text = QFile::decodeName(file);
        QVERIFY(
            QFile::encodeName(text) == file
                ? await([&](auto done) { m_workspace.openFile(text, done); })
                : await([&](auto done) { m_workspace.openUrl(m_workspace.fileUrl(file), done); }));
        QTRY_COMPARE(handled(), file + '\0');
    }

    void failuresAreReported()
    {
        QVERIFY(!await([&](auto done) { m_workspace.openFile(path("files/missing.txt"), done); }));
        QVERIFY(!await([&](auto done) { m_workspace.openUrl(QUrl("-velloway-test:x"), done); }));
        QVERIFY(!await([&](auto done) { m_workspace.openApplication({"none", {}, {}}, done); }));
        QCOMPARE(handled(), "(not run)");
    }

    void addressesAndApplicationsReachTheirHandlers()
    {
        QVERIFY(await([&](auto done) { m_workspace.openUrl(QUrl("velloway-test:a b/ü"), done); }));
        QTRY_COMPARE(handled(), QByteArray("velloway-test:a%20b/%C3%BC") + '\0');

        QVERIFY(await([&](auto done) {
            m_workspace.openApplication({"app", {}, {"velloway-app"}}, done);
        }));
        QTRY_COMPARE(handled(), QByteArray("launched") + '\0');

        // A desktop entry that cannot start leaves the executable.
        const ApplicationIdentity broken{"broken", {path("handler")}, {"velloway-broken"}};
        QVERIFY(await([&](auto done) { m_workspace.openApplication(broken, done); }));
        QTRY_COMPARE(handled(), QByteArray());

        m_workspace.openUrlInApplication(QUrl("https://music.youtube.com/"), broken);
        QTRY_COMPARE(handled(), QByteArray("https://music.youtube.com/") + '\0');
    }

    void aHelperThatNeverExitsIsStoppedAtTheTimeout()
    {
        // Outside a desktop environment xdg-open waits for the handler.
        std::optional<bool> opened;
        m_workspace.openUrl(QUrl("velloway-hang:x"), [&](bool value) { opened = value; });
        QTRY_VERIFY(handled() != "(not run)");
        const pid_t handler = pid_t(handled().trimmed().toInt());
        QTest::qWait(100);
        QVERIFY(!opened);
        m_time.advance(DesktopWorkspace::kHelperTimeout);
        QCOMPARE(opened, std::optional<bool>(true));
        QTRY_VERIFY(m_workspace.findChildren<QProcess *>().isEmpty());
        ::kill(handler, SIGTERM);
    }

    void revealShowsTheFilesElseOpensTheirFolder()
    {
        FakeFileManager manager;
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "file-manager");
        QVERIFY(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.freedesktop.FileManager1"));

        const QString files = QFile::decodeName(m_files);
        m_workspace.revealFiles({files + "/a b#?.txt", QString(), files + "/-x 'ü'"});
        const QString encoded = QString::fromLatin1(m_files.toPercentEncoding("/"));
        QTRY_COMPARE(manager.shown, QStringList({"file://" + encoded + "/a%20b%23%3F.txt",
                                                 "file://" + encoded + "/-x%20%27%C3%BC%27"}));
        QVERIFY(bus.unregisterService("org.freedesktop.FileManager1"));

        m_workspace.revealFiles({files + "/notes.txt"});
        QTRY_COMPARE(handled(), m_files + '\0');
        QDBusConnection::disconnectFromBus("file-manager");
    }
};

QTEST_GUILESS_MAIN(DesktopWorkspaceTest)
#include "tst_desktop_workspace.moc"
