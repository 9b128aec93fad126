#include "support/FileOwnership.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace FileOwnership;

// Runs the real program on the test's display with its own data, settings
// and runtime folders, the way a user starts and quits it.
class NotesAppTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    QString notesFile() const { return m_home.path() + "/data/Velloway/notes.json"; }

    // Starts the program and waits until its crest window is on screen, so
    // the launch, including the quit handling, is complete.
    void launch(QProcess &process)
    {
        const QString binary = qEnvironmentVariable("VELLOWAY_BINARY");
        QVERIFY2(QFile::exists(binary), "VELLOWAY_BINARY names no program");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_home.path() + "/data");
        env.insert("XDG_CONFIG_HOME", m_home.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", m_home.path() + "/runtime");
        QDir().mkpath(m_home.path() + "/runtime");
        QFile::setPermissions(m_home.path() + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(binary, {});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(hasWindow(process.processId()), 20'000);
    }

    static bool hasWindow(qint64 pid)
    {
        QProcess search;
        search.start("xdotool", {"search", "--pid", QString::number(pid)});
        search.waitForFinished();
        return search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty();
    }

    static void quit(QProcess &process)
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(20'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

private slots:
    void firstLaunchWritesOnePrivateEmptyNote()
    {
        QProcess app;
        launch(app);
        QVERIFY(QFile::exists(notesFile()));
        quit(app);

        QCOMPARE(mode(notesFile()), 0600);
        QCOMPARE(mode(QFileInfo(notesFile()).absolutePath()), 0700);
        const QJsonObject document = QJsonDocument::fromJson(readFile(notesFile())).object();
        QCOMPARE(document.value("version").toInt(), 1);
        const QJsonArray notes = document.value("notes").toArray();
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes.first().toObject().value("content").toString(), QString());
        QCOMPARE(document.value("selectedNoteID"), notes.first().toObject().value("id"));
    }

    void futureDocumentKeepsItsBytesThroughARun()
    {
        const QByteArray future =
            R"({"version":2,"notes":[{"content":"from a newer release","createdAt":)"
            R"("2026-01-01T10:00:00Z","id":"A0000000-0000-4000-8000-00000000000A",)"
            R"("modifiedAt":"2026-01-01T10:00:00Z","tags":["x"]}]})";
        QDir().mkpath(QFileInfo(notesFile()).absolutePath());
        writeFile(notesFile(), future);
        QProcess app;
        launch(app);
        quit(app);
        QCOMPARE(readFile(notesFile()), future);
    }
};

// A GUI application: its own display connection stays open while the program
// under test starts and quits, so the X server never sees its last client
// leave (and resets, refusing connections for a moment) in between.
QTEST_MAIN(NotesAppTest)
#include "tst_notesapp.moc"
