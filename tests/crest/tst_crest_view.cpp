#include "notes/view/NotesView.h"
#include "nowplaying/NowPlayingView.h"
#include "players/model/VolumeController.h"
#include "support/CrestFixture.h"
#include "support/FileOwnership.h"
#include "support/TestRows.h"
#include "tray/FilePicking.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayRowView.h"
#include "tray/view/TrayView.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>

namespace {

using namespace Qt::StringLiterals;

// Items joined by "|": text, [x] or [ ] for a toggle, (off) when greyed.
QString describe(const QMenu &menu)
{
    QStringList lines;
    for (const QAction *a : menu.actions())
        lines << (a->isSeparator() ? u"-"_s : a->text()) +
                     QStringList{"", " [ ]", " [x]"}[a->isCheckable() + a->isChecked()] +
                     (a->isEnabled() ? "" : " (off)");
    return lines.join('|');
}

// What a screen pixel shows: 0 the white screen behind the crest, 1 black,
// 2 a dark grey card, 3 the accent, 4 the dark cyan cover.
int lookOf(QColor c)
{
    if (std::min({c.red(), c.green(), c.blue()}) > 240)
        return 0;
    if (c.green() > 100)
        return c.red() < 40 ? 4 : 3;
    return std::max({c.red(), c.green(), c.blue()}) <= 2 ? 1 : 2;
}

using Probes = QList<std::pair<QPoint, int>>;

struct PaintCounter : QObject
{
    QWidget *root = nullptr;
    int paints = 0;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint && object->isWidgetType() &&
                  static_cast<QWidget *>(object)->window() == root;
        return false;
    }
};

// A file chooser that answers when told.
struct Chooser : FilePicking
{
    std::function<void(QList<QUrl>)> answer;
    void pickFiles(QWidget *, std::function<void(QList<QUrl>)> then) override { answer = then; }
};

} // namespace

class CrestViewTest : public QObject
{
    Q_OBJECT

private slots:
    void contextMenuFollowsTheState_data()
    {
        columns<QString, QString>("setup", "items");
        const QString head = u"Add Files…|-|Music Connections|-|"_s,
                      none = u"Floating lyrics [ ]|-|"_s;
        const QString how = u"How to Update…|Open at login [x]"_s,
                      tail = u"|-|About && Privacy…|-|Quit Velloway"_s; // a literal "&"
        row("idle", u""_s, head + none + how + tail);
        row("song current", u"playing"_s,
            u"Add Files…|-|Music Connections|Open in Spotify|-|"_s + none + how + tail);
        row("lyrics", u"lyrics"_s,
            head + u"Floating lyrics [x]|Click-through lyrics [ ]|"_s +
                u"Make lyrics interactive (off)|-|"_s + how + tail);
    }
    void contextMenuFollowsTheState()
    {
        auto [setup, items] = fetch<QString, QString>("setup", "items");
        CrestFixture f;
        if (setup.contains("playing"))
            f.play(false);
        f.lyricsController.setVisible(setup.contains("lyrics"));
        bool atLogin = true;
        f.view->isOpenAtLogin = [&] { return atLogin; };
        f.view->setOpenAtLogin = [&](bool on) { atLogin = on; };
        std::unique_ptr<QMenu> menu(f.view->contextMenu());
        QCOMPARE(describe(*menu), items);
        for (QAction *action : menu->actions())
            action->setChecked(!action->isChecked()); // each toggle writes what it shows
        QCOMPARE(f.lyricsController.isVisible(), !setup.contains("lyrics"));
        QVERIFY(!atLogin);
    }

    // No compositing manager runs under Xvfb: each menu must still show its
    // text, with no item under the pointer.
    void menusAreReadableWithoutACompositor()
    {
        CrestFixture f;
        FileOwnership::writeFile(f.folder.filePath("a.txt"), "x");
        f.tray.addFiles({QUrl::fromLocalFile(f.folder.filePath("a.txt"))});
        f.state.setExpanded(true);
        f.time.advance(1);
        TrayRowView *entry = f.view->trayView()->rows().first();
        const std::unique_ptr<QMenu> crest(f.view->contextMenu()),
            tray(entry->makeContextMenu(entry));
        QCursor::setPos(0, 1000);
        for (QMenu *shown : {crest.get(), tray.get(), f.view->notesView()->notesMenu()}) {
            shown->popup({200, 300});
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            QTest::qWait(100);
            const QImage shot = QGuiApplication::primaryScreen()
                                    ->grabWindow(0, 200, 300, shown->width(), shown->height())
                                    .toImage();
            for (QAction *action : shown->actions()) {
                const QRect line = shown->actionGeometry(action);
                QList<int> greys; // along the item's middle
                for (int x = line.left(); x <= line.right(); ++x)
                    greys << qGray(shot.pixel(
                        (QPointF(x, line.center().y()) * shot.devicePixelRatio()).toPoint()));
                const auto [darkest, lightest] = std::minmax_element(greys.begin(), greys.end());
                QVERIFY2(action->isSeparator() || !action->isEnabled() ||
                             *lightest - *darkest > 120,
                         qPrintable(action->text()));
                QCOMPARE_GT(greys.first(), 10); // the card, not black
            }
            shown->close();
        }
    }

    // The same addresses dropped, pasted with Ctrl+V into the notes and
    // chosen after "Add Files…" end with the same tray, message and layout.
    void filesArriveAsTheSameDropWould_data()
    {
        columns<QString>("list");
        row("files among web addresses", u"files web"_s);
        row("an unreadable and a missing file", u"unreadable missing"_s);
        row("a thousand files", u"thousand"_s);
        row("only web addresses", u"web"_s);
    }
    void filesArriveAsTheSameDropWould()
    {
        auto [list] = fetch<QString>("list");
        QString dropped;
        for (const QString &way : {u"drop"_s, u"paste"_s, u"chooser"_s}) {
            CrestFixture f;
            QList<QUrl> urls;
            const auto file = [&](const QString &name) {
                FileOwnership::writeFile(f.folder.filePath(name), "x");
                return QUrl::fromLocalFile(f.folder.filePath(name));
            };
            if (list.contains("files"))
                urls << file("a.txt") << file("b.txt");
            if (list.contains("web"))
                urls << QUrl("https://example.com/c.txt");
            if (list.contains("unreadable")) {
                urls << file("locked.txt") << QUrl::fromLocalFile(f.folder.filePath("gone.txt"));
                QFile::setPermissions(urls.last().toLocalFile().replace("gone", "locked"), {});
            }
            for (int i = 0; list.contains("thousand") && i < 1000; ++i)
                urls << file(u"%1.txt"_s.arg(i));
            auto data = std::make_unique<QMimeData>();
            data->setUrls(urls);
            f.state.setExpanded(true);
            f.time.advance(1);
            auto *editor = f.view->notesView()->findChild<QPlainTextEdit *>();
            Chooser chooser;
            f.view->setFilePicker(&chooser);
            QDragEnterEvent enter({9, 9}, Qt::CopyAction, data.get(), Qt::LeftButton, {});
            QDropEvent drop({9, 9}, Qt::CopyAction, data.get(), Qt::LeftButton, {});
            if (way == "drop" && (QCoreApplication::sendEvent(f.view, &enter), enter.isAccepted()))
                QCoreApplication::sendEvent(f.view, &drop);
            if (way == "paste") {
                QGuiApplication::clipboard()->setMimeData(data.release());
                QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
                QVERIFY(list == "web" || !editor->toPlainText().contains(".txt"));
            } else if (way == "chooser") {
                std::unique_ptr<QMenu>(f.view->contextMenu())->actions().first()->trigger();
                QVERIFY(f.tray.isPickerPresented()); // holds the crest open
                chooser.answer(urls);
                QVERIFY(!f.tray.isPickerPresented());
            }
            QCoreApplication::processEvents();
            QStringList names;
            for (const TrayItem &item : f.tray.items())
                names << item.url.fileName();
            const QString outcome = u"%1 | %2 | tray %3"_s.arg(names.join(','), f.tray.message())
                                        .arg(f.state.showsTray());
            if (way == "drop")
                dropped = outcome;
            QCOMPARE(outcome, dropped);
        }
        QCOMPARE(dropped.count(".txt"), list.contains("files") * 2 + list.contains("unreadable") +
                                            list.contains("thousand") * 1000);
    }

    void eachStateShowsItsAreas_data()
    {
        // areas: which of tray, music, notes show
        columns<QString, double, QString, Probes>("setup", "seconds", "areas", "probes");
        // Panel points: 660 x 170, the notch 126 x 32 at its centre (x 267...393), the
        // content 620 x 150 at (20, 8): music 300 wide, notes 12 points to its right.
        const Probes open = {
            {{2, 167}, 0}, {{657, 167}, 0}, {{330, 165}, 1}, {{280, 20}, 1}, {{12, 100}, 1}};
        const Probes split = open + Probes{{{326, 100}, 1}, {{500, 150}, 2}};
        const QString both = u"011"_s;
        row("collapsed", u"playing"_s, 1.0, u"000"_s,
            Probes{{{330, 16}, 1}, {{262, 16}, 0}, {{330, 36}, 0}});
        row("fading in", u"open"_s, 0.1, both, Probes{});
        row("reduced motion", u"open reduced"_s, 0.0, both, Probes{});
        row("default layout", u"open"_s, 1.0, both, split);
        row("tray with two files", u"open files"_s, 1.0, u"100"_s, open + Probes{{{326, 150}, 2}});
        row("drag highlight", u"open drag"_s, 1.0, u"100"_s,
            Probes{{{1, 100}, 3}, {{658, 100}, 3}, {{4, 100}, 1}});
        row("files over the notes", u"open over notes"_s, 1.0, u"100"_s, Probes{{{1, 100}, 3}});
        row("playing song", u"open playing"_s, 1.0, both, split + Probes{{{72, 58}, 4}});
        row("connection prompt", u"open away"_s, 1.0, both, split);
    }
    void eachStateShowsItsAreas()
    {
        auto [setup, seconds, areas, probes] =
            fetch<QString, double, QString, Probes>("setup", "seconds", "areas", "probes");
        CrestFixture f;
        f.reduceMotion = setup.contains("reduced");
        for (const QString &name : {u"a.txt"_s, u"b.pdf"_s}) {
            FileOwnership::writeFile(f.folder.filePath(name), "x");
            if (setup.contains("files"))
                f.tray.addFiles({QUrl::fromLocalFile(f.folder.filePath(name))});
        }
        f.state.setTrayHasFiles(setup.contains("files"));
        if (setup.contains("drag"))
            f.state.fileDragEntered();
        QMimeData file; // dragged over the notes editor, which takes text drops itself
        file.setUrls({QUrl::fromLocalFile(f.folder.filePath("a.txt"))});
        QDragEnterEvent enter({9, 9}, Qt::CopyAction, &file, Qt::LeftButton, {});
        if (setup.contains("over notes"))
            QCoreApplication::sendEvent(
                f.view->notesView()->findChild<QPlainTextEdit *>()->viewport(), &enter);
        f.pid = setup.contains("away") ? std::nullopt : f.pid;
        f.play(setup.contains("playing"));
        f.state.setExpanded(setup.contains("open"));
        if (!f.state.isExpanded()) { // nothing is repainted while the song moves on
            QTest::qWait(50);
            PaintCounter counter;
            counter.root = f.panel;
            qApp->installEventFilter(&counter);
            for (int second = 0; second < 5; ++second, QCoreApplication::processEvents())
                f.time.advance(1);
            qApp->removeEventFilter(&counter);
            QCOMPARE(counter.paints, 0);
        }
        f.time.advance(seconds);
        QString shown;
        for (QWidget *area : std::initializer_list<QWidget *>{
                 f.view->trayView(), f.view->musicView(), f.view->notesView()})
            shown += area->isVisibleTo(f.panel) ? '1' : '0';
        QCOMPARE(shown, areas);
        const double opacity = f.view->contentOpacity();
        QCOMPARE((opacity > 0 && opacity < 1), (seconds > 0 && seconds < 1));
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
        const auto at = [](QPoint p, int look) {
            return u"(%1, %2): %3"_s.arg(p.x()).arg(p.y()).arg(look);
        };
        for (const auto &[point, look] : probes)
            QCOMPARE(at(point, lookOf(shot.pixelColor(
                                   (QPointF(point) * shot.devicePixelRatio()).toPoint()))),
                     at(point, look));
    }

    // With the keyboard, the crest reads like a page: Tab in reading order
    // through named controls, Ctrl+Tab out of the note, arrows and the wheel
    // on the sliders.
    void keyboardReachesEveryControl()
    {
        CrestFixture f;
        f.play(false);
        f.state.setExpanded(true);
        f.time.advance(1);
        f.view->focusNotes();
        f.panel->takeKeyboard();
        QVERIFY(QTest::qWaitForWindowActive(f.panel));
        auto *editor = f.view->notesView()->findChild<QPlainTextEdit *>();
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(editor->toPlainText(), u"\t"_s); // a tab is typed in the note
        QStringList order;
        QWidget *volume = nullptr;
        for (QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
             QApplication::focusWidget() != editor && order.size() < 30;
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab)) {
            order << QApplication::focusWidget()->accessibleName();
            if (order.last() == u"Music volume"_s)
                volume = QApplication::focusWidget();
        }
        QCOMPARE(order.join('|'),
                 u"Open Spotify|Show floating lyrics|Previous track|"
                 u"Pause Spotify|Next track|Mute Spotify|Music volume|Playback position|"
                 u"Saved notes|New note"_s);

        QTest::keyClick(volume, Qt::Key_Right);
        QCOMPARE(f.music.active().volume().level().value_or(-1), 65);
        QTest::keyClick(volume, Qt::Key_Down);
        QTest::keyClick(volume, Qt::Key_Up);
        QCOMPARE(f.music.active().volume().level().value_or(-1), 65);
        QWheelEvent down({5, 5}, volume->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton,
                         {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(volume, &down);
        QCoreApplication::sendEvent(volume, &down);
        QCOMPARE(f.music.active().volume().level().value_or(-1), 55);
    }
};

QTEST_MAIN(CrestViewTest)
#include "tst_crest_view.moc"
