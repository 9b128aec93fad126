#include "support/TestRows.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Started where no display can be opened (from ssh, or by autostart before
// the display is up), the program says why in one line and exits 1 instead
// of aborting inside Qt; a look at the players needs no display at all.
class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutADisplayItSaysWhyAndExits_data()
    {
        columns<QString, QString, int, QString>("display", "argument", "status", "says");
        row("no display set", QString(), QString(), 1, QStringLiteral("graphical session"));
        row("a display nobody serves", QStringLiteral(":4242"), QString(), 1,
            QStringLiteral(":4242 could not be opened"));
        row("a look at the players", QString(), QStringLiteral("--players"), 0, QString());
    }

    void withoutADisplayItSaysWhyAndExits()
    {
        auto [display, argument, status, says] =
            fetch<QString, QString, int, QString>("display", "argument", "status", "says");
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        for (const char *name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            env.insert(QString::fromLatin1(name), home.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(qEnvironmentVariable("VELLOWAY_BINARY"),
                      argument.isEmpty() ? QStringList() : QStringList{argument});
        QVERIFY(program.waitForFinished(10'000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString error = QString::fromLocal8Bit(program.readAllStandardError()).trimmed();
        if (!says.isEmpty()) {
            QVERIFY2(error.contains(says), qPrintable(error));
            QVERIFY2(!error.contains(u'\n'), qPrintable(error));
        }
    }
};

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
