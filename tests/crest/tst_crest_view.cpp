#include "crest/CrestPanel.h"
#include "crest/CrestView.h"
#include "music/SpotifyView.h"
#include "notes/NotesView.h"
#include "support/CrestFixture.h"
#include "support/FileOwnership.h"
#include "tray/TrayView.h"

#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

namespace {

using namespace Qt::StringLiterals;

struct Driver final : CrestUpdateDriver
{
    bool ready = false;
    bool canCheckForUpdates() const override { return ready; }
    bool automaticallyChecksForUpdates() const override { return ready; }
    void setAutomaticallyChecksForUpdates(bool value) override { ready = value; }
    bool startUpdater() override { return true; }
    void checkForUpdates() override {}
};

// Items joined by "|": text, [x] or [ ] for a toggle, (off) when greyed.
QString describe(const QMenu &menu)
{
    QStringList lines;
    for (const QAction *action : menu.actions()) {
        QString line = action->isSeparator() ? u"-"_s : action->text();
        if (action->isCheckable())
            line += action->isChecked() ? u" [x]"_s : u" [ ]"_s;
        lines << (action->isEnabled() ? line : line + u" (off)"_s);
    }
    return lines.join('|');
}

enum Look
{
    outside, // the white screen behind the crest
    black,
    card, // dark grey
    accent,
    red,
};

Look lookOf(QColor c)
{
    if (c.red() > 240 && c.green() > 240 && c.blue() > 240)
        return outside;
    if (c.red() > 150 && c.green() < 90)
        return red;
    if (c.green() > 100 && c.green() > c.red())
        return accent;
    return std::max({c.red(), c.green(), c.blue()}) <= 2 ? black : card;
}

using Probes = QList<std::pair<QPoint, int>>;

} // namespace

class CrestViewTest : public QObject
{
    Q_OBJECT

private slots:
    void contextMenuFollowsTheState_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("items");
        const QString head = u"Music Connections|-|"_s,
                      tail = u"|-|About & Privacy…|-|Quit Velloway"_s;
        const QString none = u"Floating lyrics [ ]|-|"_s, manual = u"How to Update…"_s;
        QTest::newRow("idle") << u""_s << head + none + manual + tail;
        QTest::newRow("song current")
            << u"playing"_s << u"Music Connections|Open in Spotify|-|"_s + none + manual + tail;
        QTest::newRow("lyrics shown")
            << u"lyrics"_s
            << head +
                   u"Floating lyrics [x]|Click-through lyrics [ ]|Make lyrics interactive (off)|-|"_s +
                   manual + tail;
        QTest::newRow("lyrics click-through")
            << u"lyrics through"_s
            << head + u"Floating lyrics [x]|Click-through lyrics [x]|Make lyrics interactive|-|"_s +
                   manual + tail;
        QTest::newRow("driver cannot check")
            << u"driver"_s
            << head + none + u"Check for Updates… (off)|Check for updates automatically [ ]"_s +
                   tail;
        QTest::newRow("driver ready")
            << u"driver ready"_s
            << head + none + u"Check for Updates…|Check for updates automatically [x]"_s + tail;
        QTest::newRow("open at login")
            << u"login"_s << head + none + manual + u"|Open at login [x]"_s + tail;
    }
    void contextMenuFollowsTheState()
    {
        QFETCH(QString, setup);
        QFETCH(QString, items);
        auto driver = std::make_unique<Driver>();
        driver->ready = setup.contains("ready");
        CrestFixture f(setup.contains("driver") ? std::move(driver) : nullptr);
        f.updates.start();
        if (setup.contains("playing"))
            f.play(false);
        f.lyrics.setVisible(setup.contains("lyrics"));
        f.lyrics.setClickThrough(setup.contains("through"));
        bool atLogin = true;
        if (setup.contains("login")) {
            f.view->isOpenAtLogin = [&] { return atLogin; };
            f.view->setOpenAtLogin = [&](bool on) { atLogin = on; };
        }

        std::unique_ptr<QMenu> menu(f.view->contextMenu());
        QCOMPARE(describe(*menu), items);
        const QString players = describe(*menu->actions().first()->menu()); // browsers as installed
        QVERIFY(players.startsWith(u"Spotify…|Apple Music…|"_s) &&
                players.endsWith(u"|YouTube Music · Pear…"_s));
        for (QAction *action : menu->actions()) {
            if (action->isCheckable())
                action->trigger(); // each toggle writes what it shows
        }
        QCOMPARE(f.lyrics.isVisible(), !setup.contains("lyrics"));
        QCOMPARE(atLogin, !setup.contains("login"));
        QCOMPARE(f.updates.automaticChecks(), setup == u"driver"_s);
    }

    void dismissingTheUpdateAlertLetsTheCrestCollapse()
    {
        CrestFixture f;
        f.state.collapse = [&] { f.state.setExpanded(false); };
        f.state.containsPointer = [] { return false; };
        f.state.isInteractionActive = [&] { return f.updates.setupMessage().has_value(); };
        f.setExpanded(true);
        std::unique_ptr<QMenu> menu(f.view->contextMenu());
        menu->actions().at(4)->trigger(); // "How to Update…"
        QCOMPARE(f.view->updateAlert()->informativeText(),
                 AppUpdateController::kManualUpdateMessage);
        f.state.pointerChanged(false);
        f.time.advance(2);
        QVERIFY(f.state.isExpanded());
        f.view->updateAlert()->buttons().first()->click();
        QVERIFY(!f.updates.setupMessage());
        f.time.advance(CrestState::kDismissalDelay + 0.01);
        QVERIFY(!f.state.isExpanded());
    }

    void collapsedCrestPaintsNothingWhileThePointerIsAway()
    {
        struct PaintCounter : QObject
        {
            QWidget *root = nullptr;
            int paints = 0;
            bool eventFilter(QObject *object, QEvent *event) override
            {
                auto *widget = qobject_cast<QWidget *>(object);
                paints += event->type() == QEvent::Paint && widget && widget->window() == root;
                return false;
            }
        } counter;
        CrestFixture f;
        f.play(true);
        QTest::qWait(50);
        counter.root = f.panel;
        qApp->installEventFilter(&counter);
        for (int second = 0; second < 5; ++second) {
            f.time.advance(1); // polls move the song's position
            QCoreApplication::processEvents();
        }
        QCOMPARE(counter.paints, 0);
        f.setExpanded(true);
        QTRY_VERIFY(counter.paints > 0); // the counter does see the crest paint
        qApp->removeEventFilter(&counter);
    }

    void eachStateShowsItsAreas_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("areas");
        QTest::addColumn<Probes>("probes");
        // In panel points: 660 x 170 from the top edge, the notch 126 x 32 at
        // its centre (x 267...393), the content 620 x 150 at (20, 8) with
        // music 300 wide and notes 12 points to its right.
        const Probes open = {{{2, 167}, outside},
                             {{657, 167}, outside},
                             {{330, 165}, black},
                             {{280, 20}, black},
                             {{12, 100}, black}};
        const Probes split = open + Probes{{{326, 100}, black}, {{500, 150}, card}};
        QTest::newRow("collapsed")
            << u""_s << 1.0 << u""_s
            << Probes{{{330, 16}, black}, {{262, 16}, outside}, {{330, 36}, outside}};
        QTest::newRow("collapsed with files") << u"files"_s << 1.0 << u""_s << Probes{};
        QTest::newRow("fading in") << u"open"_s << 0.1 << u"music notes"_s << Probes{};
        QTest::newRow("reduced motion") << u"open reduced"_s << 0.0 << u"music notes"_s << Probes{};
        QTest::newRow("default layout")
            << u"open"_s << 1.0 << u"music notes"_s << split + Probes{{{100, 150}, card}};
        QTest::newRow("tray with two files")
            << u"open files"_s << 1.0 << u"tray"_s << open + Probes{{{326, 150}, card}};
        QTest::newRow("drag highlight")
            << u"open drag"_s << 1.0 << u"tray"_s
            << Probes{{{1, 100}, accent}, {{658, 100}, accent}, {{4, 100}, black}};
        QTest::newRow("playing song")
            << u"open playing"_s << 1.0 << u"music notes"_s << split + Probes{{{72, 58}, red}};
        QTest::newRow("connection prompt") << u"open away"_s << 1.0 << u"music notes"_s << split;
    }
    void eachStateShowsItsAreas()
    {
        QFETCH(QString, setup);
        QFETCH(double, seconds);
        QFETCH(QString, areas);
        QFETCH(Probes, probes);
        CrestFixture f;
        f.reduceMotion = setup.contains("reduced");
        if (setup.contains("files")) {
            const QList<QUrl> files = {QUrl::fromLocalFile(f.folder.filePath("a.txt")),
                                       QUrl::fromLocalFile(f.folder.filePath("b.pdf"))};
            for (const QUrl &file : files)
                FileOwnership::writeFile(file.toLocalFile(), "x");
            f.tray.addFiles(files);
            f.state.setTrayHasFiles(true);
        }
        if (setup.contains("drag"))
            f.state.fileDragEntered();
        if (setup.contains("playing"))
            f.play(true);
        if (setup.contains("away")) {
            f.pid.reset();
            f.music.start();
        }
        f.panel->setAcceptsMouse(setup.contains("open"));
        f.state.setExpanded(setup.contains("open"));
        f.time.advance(seconds);

        QStringList shown;
        for (auto [area, name] : {std::pair<QWidget *, QString>{f.view->trayView(), u"tray"_s},
                                  {f.view->musicView(), u"music"_s},
                                  {f.view->notesView(), u"notes"_s}})
            shown << (area->isVisibleTo(f.panel) ? name : QString());
        QCOMPARE(shown.join(' ').simplified(), areas);
        const double opacity = f.view->contentOpacity();
        QCOMPARE(opacity > 0 && opacity<1, seconds> 0 && seconds < 1);
        QCOMPARE(f.view->progress() == opacity, seconds == 0 || seconds >= 1);
        QCOMPARE(f.view->content()->y() == CrestView::kTopPadding, opacity == 1 || f.reduceMotion);
        if (probes.isEmpty())
            return;

        QTest::qWait(100); // the X server shapes and draws the window
        const QRect frame = f.panel->geometry();
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                .toImage();
        const QString folder = qEnvironmentVariable("VELLOWAY_SCREENSHOTS");
        if (!folder.isEmpty())
            shot.save(
                u"%1/%2.png"_s.arg(folder, QString(QTest::currentDataTag()).replace(' ', '-')));
        for (const auto &[point, look] : probes) {
            const QColor color =
                shot.pixelColor((QPointF(point) * shot.devicePixelRatio()).toPoint());
            QVERIFY2(
                lookOf(color) == look,
                qPrintable(u"(%1, %2) is %3"_s.arg(point.x()).arg(point.y()).arg(color.name())));
        }
    }
};

QTEST_MAIN(CrestViewTest)
#include "tst_crest_view.moc"
