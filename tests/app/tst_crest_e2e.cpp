#include "platform/keyring/LibsecretStore.h"
#include "players/pear/PearConnectionKeyring.h"
#include "support/AccessibleTree.h"
#include "support/FakeMprisPlayer.h"
#include "support/FileOwnership.h"
#include "support/TestHttpServer.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

// The real program on the test's X display: xdotool moves the pointer and
// presses keys like a person would; the screen's pixels say what the crest
// looks like and the accessibility bus what it says. A second run meets a
// fake Spotify on the test's bus and a local lyrics service, a third a local
// Pear.
class CrestEndToEndTest : public QObject
{
    Q_OBJECT

private:
    static constexpr char kFutureNotes[] =
        R"({"version":2,"notes":[{"content":"from a newer release","createdAt":)"
        R"("2026-01-01T10:00:00Z","id":"A0000000-0000-4000-8000-00000000000A",)"
        R"("modifiedAt":"2026-01-01T10:00:00Z","tags":["x"]}]})";
    static constexpr char kLyrics[] =
        R"({"trackName":"Song","artistName":"A","duration":215,"instrumental":false,)"
        R"("plainLyrics":"One\nTwo","syncedLyrics":"[00:40.00]One\n[03:20.00]Two"})";
    static constexpr char kPearSong[] = R"({"title":"Pear Song","artist":"B","videoId":)"
                                        R"("abcdefghijk","isPaused":false,"songDuration":200})";
    QTemporaryDir m_home;
    QProcess m_program;
    QProcess m_keyring;
    QProcess m_pear;
    QProcess m_windowManager;
    QRect m_screen;
    FakeMprisPlayer m_player;
    TestHttpServer m_lyrics;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home.path());
        env.insert("XDG_RUNTIME_DIR", m_home.filePath("runtime"));
        env.insert("XDG_DATA_HOME", m_home.filePath("data"));
        env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        env.insert("VELLOWAY_LYRICS_LOCAL_PORT", QString::number(m_lyrics.port()));
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        return env;
    }

    QString notesFile() const { return m_home.filePath("data/Velloway/notes.json"); }

    static void xdotool(const QStringList &arguments)
    {
        QCOMPARE(QProcess::execute("xdotool", arguments), 0);
    }

    static QString command(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    static QString activeWindow() { return command("xdotool", {"getactivewindow"}); }

    // A terminal as far as the keyboard goes: it keeps what is typed into it.
    struct KeyRecorder : QWidget
    {
        QString typed;
        KeyRecorder() { setFocusPolicy(Qt::StrongFocus); }
        void keyPressEvent(QKeyEvent *event) override { typed += event->text(); }
    };

    void launch()
    {
        m_program.setProcessEnvironment(environment());
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(qEnvironmentVariable("VELLOWAY_BINARY"), {});
        QVERIFY(m_program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(notchShown(), 10000);
        QVERIFY(collapsed());
    }

    // Clicks a point of the open crest, in the panel's own coordinates.
    void clickPanel(int x, int y)
    {
        pointerTo(midX() - 330 + x, y);
        xdotool({"click", "1"});
    }

    void pointerTo(int x, int y)
    {
        xdotool({"mousemove", QString::number(m_screen.left() + x),
                 QString::number(m_screen.top() + y)});
    }

    bool isBlack(int x, int y) const
    {
        const QImage pixel = QGuiApplication::primaryScreen()
                                 ->grabWindow(0, m_screen.left() + x, m_screen.top() + y, 1, 1)
                                 .toImage();
        return !pixel.isNull() && pixel.pixelColor(0, 0) == QColor(Qt::black);
    }

    // Probes: in the notch, in the expanded panel below the notch, and
    // outside the crest altogether.
    int midX() const { return m_screen.width() / 2; }
    bool notchShown() const { return isBlack(midX(), 10); }
    bool expanded() const { return isBlack(midX(), 120) && isBlack(midX() - 318, 60); }
    bool collapsed() const
    {
        return notchShown() && !isBlack(midX(), 120) && !isBlack(midX() - 318, 60);
    }

    using Accessible = AccessibleTree::Accessible;
    static Accessible accessible(const QString &words) { return AccessibleTree::find(words); }

    // Moves the pointer to the middle of the object called `name` and
    // presses ("mousedown") or clicks the first button there.
    void pointerOn(const QString &name, const QString &action)
    {
        QRect place;
        QTRY_VERIFY2_WITH_TIMEOUT((place = accessible(name).extents).isValid(), qPrintable(name),
                                  10000);
        xdotool({"mousemove", QString::number(place.center().x()),
                 QString::number(place.center().y()), action, "1"});
    }

    // Waits long enough for a hover that should not open the crest to have
    // had every chance to do so.
    static void settle() { QTest::qWait(500); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).mkpath("runtime");
        QFile::setPermissions(m_home.filePath("runtime"), QFileDevice::ReadOwner |
                                                              QFileDevice::WriteOwner |
                                                              QFileDevice::ExeOwner);
        m_screen = QGuiApplication::primaryScreen()->geometry();
        pointerTo(10, m_screen.height() - 10);
        // Notes from a newer release: the whole run must leave them byte for byte.
        QDir(m_home.path()).mkpath("data/Velloway");
        FileOwnership::writeFile(notesFile(), kFutureNotes);

        launch();
        QVERIFY(!isBlack(midX() - 70, 10)); // the notch is 126 wide, not the panel's 660
    }

    // Ends with a plain hover that opens the crest and a leave that closes it.
    void arrivingWithControlHeldDoesNotOpen()
    {
        xdotool({"keydown", "ctrl"});
        pointerTo(midX(), 15);
        settle();
        const bool openedWithControl = !collapsed();
        xdotool({"keyup", "ctrl"});
        QVERIFY(!openedWithControl);
        settle();
        QVERIFY(collapsed()); // releasing the key on the notch does not open it

        pointerTo(midX(), 700);
        settle();
        pointerTo(midX(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(expanded(), 5000);
        pointerTo(midX(), 700);
        QTRY_VERIFY_WITH_TIMEOUT(collapsed(), 5000);
    }

    void clickOnTheNotchDoesNotOpenUntilThePointerReturns()
    {
        clickPanel(330, 15);
        settle();
        QVERIFY(collapsed());

        pointerTo(midX(), 700);
        settle();
        pointerTo(midX(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(expanded(), 5000);
    }

    void escapeCollapsesTheFocusedCrest()
    {
        QVERIFY(expanded());
        clickPanel(480, 100); // a click into the notes gives the crest the keyboard
        settle();
        QVERIFY(expanded());
        xdotool({"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(collapsed(), 5000);
        pointerTo(midX(), 700);
    }

    void secondCopyExitsAndTheFirstKeepsItsPanel()
    {
        QProcess second;
        second.setProcessEnvironment(environment());
        second.start(qEnvironmentVariable("VELLOWAY_BINARY"), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(m_program.state(), QProcess::Running);
        QVERIFY(collapsed());
    }

    void terminationSignalEndsTheProgramCleanly()
    {
        m_program.terminate(); // SIGTERM, as a desktop logout sends
        QVERIFY(m_program.waitForFinished(10000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
        QTRY_VERIFY(!notchShown());
        QCOMPARE(FileOwnership::readFile(notesFile()), kFutureNotes);
    }

    void theSongOnTheBusIsShownPlayedAndItsLyricsFloat()
    {
        QVERIFY(m_player.start());
        m_player.setPlayerProperty("PlaybackStatus", "Playing");
        m_player.setPlayerProperty("Position", qlonglong(42'000'000));
        m_player.setPlayerProperty(
            "Metadata", FakeMprisPlayer::spotifyMetadata("6rqhFgbbKwnb9MLmUQDhG6", "Song", {"A"},
                                                         "Album", 215'000'000));
        m_lyrics.route("/api/get", TestHttpServer::Response::ok("application/json", kLyrics));
        QVERIFY(QFile::remove(notesFile()));
        launch();
        pointerTo(midX(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(expanded() && accessible("Song").extents.isValid(), 15000);
        pointerOn("Show floating lyrics", "click");
        QTRY_COMPARE_WITH_TIMEOUT(accessible("Current line").name, "One", 10000);
        QCOMPARE(m_lyrics.requests().first().query.queryItemValue("track_name"), "Song");
        m_player.emitSeeked(201'000'000);
        QTRY_COMPARE_WITH_TIMEOUT(accessible("Current line").name, "Two", 10000);

        pointerOn("Pause Spotify", "click");
        QTRY_VERIFY_WITH_TIMEOUT(!m_player.calls("PlayPause").isEmpty(), 10000);
    }

    void draggingTheVolumeHoldsTheCrestOpenUntilRelease()
    {
        pointerOn("Music volume", "mousedown");
        pointerTo(midX(), 700);
        settle();
        const bool heldOpen = expanded();
        xdotool({"mouseup", "1"});
        QVERIFY(heldOpen);
        QTRY_VERIFY_WITH_TIMEOUT(collapsed(), 5000);
        pointerTo(midX(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(expanded(), 5000);
    }

    void typedNoteOutlivesTermination()
    {
        clickPanel(480, 60);
        xdotool({"type", "--delay", "20", "typed by a person"});
        m_program.terminate();
        QVERIFY(m_program.waitForFinished(10000));
        QCOMPARE(m_program.exitCode(), 0);
        QVERIFY2(FileOwnership::readFile(notesFile()).contains("typed by a person"),
                 qPrintable(notesFile()));
    }

    // Typing that never pauses still reaches the disk, so a crash or a power
    // cut in the middle of a long sentence loses only its last moments.
    void typingWithoutAPauseOutlivesAKill()
    {
        launch();
        pointerTo(midX(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(expanded(), 5000);
        clickPanel(480, 60);
        xdotool({"type", "ready "});
        QTRY_VERIFY_WITH_TIMEOUT(FileOwnership::readFile(notesFile()).contains("ready "), 5000);
        // xdotool waits half its delay after each press and half after each
        // release: 300 keys at 30 ms are about 4.5 s of typing.
        const QString typed = QString("abcdefghij").repeated(30);
        xdotool({"type", "--delay", "30", typed});
        m_program.kill();
        QVERIFY(m_program.waitForFinished(10000));
        const QByteArray saved = FileOwnership::readFile(notesFile());
        QVERIFY2(saved.contains("ready " + typed.left(40).toUtf8()), saved.constData());
    }

    void pearSongIsShownAndItsPlayButtonReachesPear()
    {
        m_player.vanish();
        // The program itself only ever talks to Pear's fixed port. Where
        // something else holds it, the bridge's own tests still cover Pear on
        // a server of their own.
        TestHttpServer pear(26538);
        if (pear.port() != 26538)
            QSKIP("port 26538 is held by another program on this machine");
        pear.route("/api/v1/song", TestHttpServer::Response::ok("application/json", kPearSong));
        pear.route("/api/v1/toggle-play", TestHttpServer::Response::withStatus(204));
        // Pear as the user left it: connected, its token in the keyring, running.
        QSettings(m_home.filePath("config/Velloway/Velloway.conf"), QSettings::IniFormat)
            .setValue("music.pear.enabled", true);
        m_keyring.setProcessEnvironment(environment());
        m_keyring.start("gnome-keyring-daemon",
                        {"--unlock", "--components=secrets", "--foreground"});
        m_keyring.write("test password");
        m_keyring.closeWriteChannel();
        // Asking for secrets before it is there would start the desktop's own.
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     "org.freedesktop.secrets"),
                                 10000);
        LibsecretStore store;
        QVERIFY(PearConnectionKeyring(store).save("pear-token").isSuccess());
        QVERIFY(QFile::copy("/bin/sleep", m_home.filePath("pear-desktop")));
        m_pear.start(m_home.filePath("pear-desktop"), {"600"});

        launch();
        pointerTo(midX(), 15);
        QTRY_VERIFY_WITH_TIMEOUT(expanded() && accessible("Pear Song").extents.isValid(), 15000);
        pointerOn("Pause YouTube Music \u00B7 Pear", "click");
        const auto toggled = [&] {
            for (const TestHttpServer::Request &request : pear.requests()) {
                if (request.path == "/api/v1/toggle-play")
                    return request.headers.value("authorization") == "Bearer pear-token";
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(toggled(), 10000);
    }

    // A person's desktop: openbox, and a terminal that has the keyboard.
    void underAWindowManagerTheKeyboardStaysWithThePerson()
    {
        if (m_program.state() != QProcess::NotRunning) { // the Pear case may have skipped
            m_program.terminate();
            QVERIFY(m_program.waitForFinished(10000));
        }
        m_windowManager.start("openbox", {"--sm-disable"});
        QTRY_VERIFY_WITH_TIMEOUT(
            command("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 10000);
        KeyRecorder terminal;
        terminal.setGeometry(m_screen.left() + 100, m_screen.top() + 400, 400, 300);
        terminal.show();
        const QString terminalId = QString::number(terminal.winId());
        xdotool({"windowactivate", "--sync", terminalId});
        QVERIFY(m_player.start());
        m_player.setPlayerProperty("PlaybackStatus", "Playing");
        m_player.setPlayerProperty(
            "Metadata", FakeMprisPlayer::spotifyMetadata("6rqhFgbbKwnb9MLmUQDhG6", "Song", {"A"},
                                                         "Album", 215'000'000));
        launch();
        QTRY_COMPARE(activeWindow(), terminalId);

        pointerTo(midX(), 15);
        pointerOn("Pause Spotify", "click");
        QTRY_VERIFY_WITH_TIMEOUT(!m_player.calls("PlayPause").isEmpty(), 10000);
        QCOMPARE(activeWindow(), terminalId);

        clickPanel(480, 100);
        xdotool({"type", "--delay", "40", "meant for the note"});
        pointerTo(midX(), 700);
        QTRY_VERIFY_WITH_TIMEOUT(collapsed(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), terminalId, 5000);
        xdotool({"type", "--delay", "40", "ls"});
        QTRY_COMPARE(terminal.typed, "ls");
        QVERIFY(FileOwnership::readFile(notesFile()).contains("meant for the note"));

        // The shortcut opens the crest with the cursor in the notes; Escape
        // hands the keyboard back.
        xdotool({"key", "super+alt+n"});
        QTRY_VERIFY_WITH_TIMEOUT(expanded() && activeWindow() != terminalId, 5000);
        xdotool({"type", "--delay", "40", " by key"});
        xdotool({"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(collapsed(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), terminalId, 5000);
        QTRY_VERIFY(FileOwnership::readFile(notesFile()).contains(" by key"));
    }

    void aTopPanelPushesTheCrestDownToItsEdge()
    {
        QWidget bar;
        bar.setGeometry(m_screen.left(), m_screen.top(), m_screen.width(), 40);
        bar.setPalette(QPalette(Qt::white));
        bar.setAutoFillBackground(true);
        const QString id = QString::number(bar.winId());
        QCOMPARE(QProcess::execute("xprop", {"-id", id, "-f", "_NET_WM_WINDOW_TYPE", "32a", "-set",
                                             "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK"}),
                 0);
        QCOMPARE(QProcess::execute(
                     "xprop", {"-id", id, "-f", "_NET_WM_STRUT_PARTIAL", "32c", "-set",
                               "_NET_WM_STRUT_PARTIAL",
                               QString("0,0,40,0,0,0,0,0,0,%1,0,0").arg(m_screen.width() - 1)}),
                 0);
        bar.show();
        QTRY_VERIFY_WITH_TIMEOUT(isBlack(midX(), 50) && !isBlack(midX(), 10), 5000);
        // The notch, not the panel, once the window and its shape have moved.
        QTRY_VERIFY_WITH_TIMEOUT(!isBlack(midX(), 80) && !isBlack(midX() - 70, 50), 5000);
        pointerTo(midX(), 55);
        QTRY_VERIFY_WITH_TIMEOUT(isBlack(midX(), 120 + 40), 5000); // hover follows it down
        pointerTo(midX(), 700);
        QTRY_VERIFY_WITH_TIMEOUT(!isBlack(midX(), 120 + 40), 5000);
        bar.hide();
        QTRY_VERIFY_WITH_TIMEOUT(notchShown() && !isBlack(midX(), 50), 5000);
    }

    void cleanupTestCase()
    {
        for (QProcess *process : {&m_program, &m_pear, &m_keyring, &m_windowManager}) {
            process->kill();
            process->waitForFinished();
        }
    }
};

QTEST_MAIN(CrestEndToEndTest)
#include "tst_crest_e2e.moc"
