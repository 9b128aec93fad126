#include "crest/CrestState.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"

#include <QSignalSpy>
#include <QTest>

#include <map>

namespace {

// The state machine with the closures the delegate would install, backed by
// plain flags a script flips. A script is a list of words: actions ("in",
// "press", "enter", "+0.12" to advance time...), facts that must hold ("open",
// "!tray") and counts ("expands=1").
struct Harness
{
    VirtualTime time;
    CrestState state{time};
    bool pointerInside = false;
    bool interaction = false;
    bool hoverAllowed = true;
    int expands = 0;
    int collapses = 0;
    QSignalSpy trayChanges{&state, &CrestState::showsTrayChanged};

    Harness()
    {
        state.expand = [this] {
            ++expands;
            state.setExpanded(true);
        };
        state.collapse = [this] {
            ++collapses;
            state.setExpanded(false);
        };
        state.containsPointer = [this] { return pointerInside; };
        state.isInteractionActive = [this] { return interaction; };
        state.isHoverAllowed = [this] { return hoverAllowed; };
    }

    void moveInside(bool inside)
    {
        pointerInside = inside;
        state.pointerChanged(inside);
    }

    // Runs one word; returns what went wrong, or nothing.
    QString run(const QString &word)
    {
        const std::map<QString, std::function<void()>> actions = {
            {"in", [this] { moveInside(true); }},
            {"out", [this] { moveInside(false); }},
            {"quiet-in", [this] { pointerInside = true; }}, // moved without a report
            {"quiet-out", [this] { pointerInside = false; }},
            {"press", [this] { state.pointerPressed(true); }},
            {"press-out", [this] { state.pointerPressed(false); }},
            {"nohover", [this] { hoverAllowed = false; }}, // a modifier is held
            {"hover", [this] { hoverAllowed = true; }},
            {"busy", [this] { interaction = true; }},
            {"free", [this] { interaction = false; }},
            {"ended", [this] { state.interactionEnded(); }},
            {"bare", [this] { state.isInteractionActive = nullptr; }},
            {"noclosures", [this] { state.expand = state.collapse = nullptr; }},
            {"enter", [this] { state.fileDragEntered(); }},
            {"exit", [this] { state.fileDragExited(); }},
            {"drop", [this] { state.fileDropStarted(); }},
            {"dropped", [this] { state.fileDropFinished(); }},
            {"files", [this] { state.setTrayHasFiles(true); }},
            {"nofiles", [this] { state.setTrayHasFiles(false); }},
            {"dismiss", [this] { state.dismiss(); }},
            {"key", [this] { state.noteKeyPressed(); }},
            {"shortcut", [this] { state.openForTyping(); }},
        };
        const std::map<QString, std::function<bool()>> facts = {
            {"open", [this] { return state.isExpanded(); }},
            {"tray", [this] { return state.showsTray(); }},
            {"dragging", [this] { return state.isFileDragActive(); }},
            {"decoding", [this] { return state.isDecodingDrop(); }},
        };
        const std::map<QString, std::function<int()>> counts = {
            {"expands", [this] { return expands; }},
            {"collapses", [this] { return collapses; }},
            {"pending", [this] { return time.pendingCount(); }},
            {"trayChanges", [this] { return int(trayChanges.count()); }},
            {"esc", [this] { return int(state.handleEscape()); }},
        };
        if (word.startsWith('+')) {
            time.advance(word.mid(1).toDouble());
        } else if (actions.count(word)) {
            actions.at(word)();
        } else if (const QString fact = QString(word).remove('!'); facts.count(fact)) {
            if (facts.at(fact)() == word.startsWith('!'))
                return "fact does not hold";
        } else if (const QStringList count = word.split('='); counts.count(count.value(0))) {
            const int actual = counts.at(count[0])();
            if (actual != count.value(1).toInt())
                return QStringLiteral("is %1").arg(actual);
        } else {
            return "unknown word";
        }
        return {};
    }
};

} // namespace

class CrestStateTest : public QObject
{
    Q_OBJECT

private slots:
    void scripts_data()
    {
        QTest::addColumn<QString>("script");
        row("hover expands after the delay", "in +0.11 !open +0.01 open expands=1");
        row("a quick pass opens nothing", "in +0.06 out +1 expands=0");
        // The hover task re-checks the pointer itself.
        row("pointer left without a report", "in quiet-out +1 expands=0");
        row("equal reports restart nothing",
            "in +0.05 in +0.05 in +0.02 open out +0.05 out +0.05 out +0.05 out +0.05 out "
            "+0.04 collapses=1 !open");
        row("modifier held on arrival suppresses until leaving",
            "nohover in +1 !open hover in +1 !open out in +0.12 open");
        row("modifier pressed during the delay", "in nohover +1 !open hover in +1 !open");
        // A press is reported before the position.
        row("click on the notch keeps it closed until leaving once",
            "quiet-in press in +1 !open out in +0.12 open press press-out open");
        row("press during the hover delay", "in press +1 !open");
        row("returning within the dismissal delay",
            "in +0.12 out +0.2 in +1 open collapses=0 out +0.23 open +0.01 !open");
        row("interactions hold it open until they end",
            "in +0.12 busy out +5 open pending=0 free ended +0.23 open +0.01 !open");
        row("interaction ending inside schedules nothing", "in +0.12 ended +5 open");
        row("no interaction predicate", "bare in +0.12 out +0.24 !open");
        row("escape collapses unless interacting",
            "esc=0 in +0.12 busy esc=0 open free esc=1 !open collapses=1");
        // Modifiers and suppression do not stop a drag.
        row("file drag opens the tray at once and returns after leaving",
            "nohover press enter open tray dragging exit !dragging +0.15 tray +0.01 !tray "
            "+0.08 !open trayChanges=2");
        // The platform reports a leave before the drop.
        row("drop holds open while loading, tray stays for reopening",
            "enter exit drop +5 open tray decoding files dropped +0.23 open +0.01 !open tray");
        row("drop into an empty tray shows it until collapse",
            "quiet-in enter drop dropped exit +1 tray out +1 !tray");
        row("tray follows files only outside drags and drops",
            "files tray nofiles !tray enter nofiles tray drop nofiles tray dropped dismiss "
            "!tray");
        row("typing holds it open until typing pauses",
            "in +0.12 key out +0.24 open +1 key +1.49 open +0.01 +0.23 open +0.01 !open");
        row("keys while collapsed hold nothing", "key pending=0");
        row("escape collapses while typing", "in +0.12 key esc=1 !open pending=0");
        row("shortcut opens the notes at once and waits for the first key",
            "files shortcut open !tray expands=1 +4.99 open +0.01 +0.23 open +0.01 !open tray");
        row("missing closures degrade as documented",
            "noclosures in +1 !open enter dismiss !dragging esc=0");
    }

    void scripts()
    {
        QFETCH(QString, script);
        Harness h;
        const QStringList words = script.split(' ');
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString problem = h.run(words[i]);
            QVERIFY2(
                problem.isEmpty(),
                qPrintable(QStringLiteral("word %1 \"%2\": %3").arg(i).arg(words[i], problem)));
        }
    }

    void destroyedStateLeavesNoTaskThatActs()
    {
        VirtualTime time;
        int expands = 0;
        {
            CrestState state(time);
            state.expand = [&] { ++expands; };
            state.pointerChanged(true);
        }
        time.advance(1.0);
        QCOMPARE(expands, 0);
    }
};

QTEST_GUILESS_MAIN(CrestStateTest)
#include "tst_crest_state.moc"
