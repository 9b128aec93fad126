#include "notes/NotesStore.h"
#include "notes/view/NotesView.h"
#include "support/StoreFolder.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"
#include "support/WidgetLookup.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>

namespace {

/// The menu as one line per item: "✓" marks the checked note, "-" a
/// divider, parentheses a disabled item.
QStringList menuLines(const QMenu &menu)
{
    QStringList lines;
    for (const QAction *action : menu.actions()) {
        if (!action->isVisible())
            continue;
        const QString text = action->isSeparator() ? QStringLiteral("-")
                             : action->isChecked() ? "\u2713" + action->text()
                                                   : action->text();
        lines << (action->isEnabled() ? text : '(' + text + ')');
    }
    return lines;
}

} // namespace

class NotesViewTest : public QObject
{
    Q_OBJECT

    StoreFolder m_folder;
    VirtualTime m_time;

    QString notesFile() const { return m_folder.path("notes.json"); }

private slots:
    void init() { QVERIFY(m_folder.reset()); }

    // Each case starts from a first launch (one empty, selected note), takes
    // its steps ("type:…" types into the editor), then reads the view.
    void statesAndActions_data()
    {
        // menu: items joined by "|"; warning: empty for none; saved: text found on disk
        columns<QString, QString, bool, QString, QString>("steps", "menu", "editorShown", "warning",
                                                          "saved");
        const char *none = "(No saved notes)",
                   *unreadable = "Saved notes couldn't be read. Original file preserved. New "
                                 "notes are saved in notes.recovered.json.";
        row("typing reaches the store, saved after the delay", "type:Milk,wait",
            "✓Milk|-|Delete note", true, "", "Milk");
        row("hiding writes a fresh edit at once", "type:Eggs,hide", "✓Eggs|-|Delete note", true, "",
            "Eggs");
        row("a blank note goes without asking", "type:  ,delete", none, false, "", "");
        row("a note with text asks, Cancel keeps it", "type:Keep,delete,Cancel",
            "✓Keep|-|Delete note", true, "", "");
        row("a note with text asks, Escape keeps it", "type:Keep,delete,Escape",
            "✓Keep|-|Delete note", true, "", "");
        row("a note with text asks, Delete removes it", "type:Gone,delete,Delete", none, false, "",
            "");
        row("Write a note creates a note to type in", "delete,Write a note",
            "✓Untitled note|-|Delete note", true, "", "");
        row("New note adds a second, selected note", "type:First,New note",
            "✓Untitled note|First|-|Delete note", true, "", "");
        row("an unreadable file warns all run", "unreadable,Write a note,type:x,wait",
            "✓x|-|Delete note", true, unreadable, "");
    }
    void statesAndActions()
    {
        auto [steps, menu, editorShown, warning, saved] =
            fetch<QString, QString, bool, QString, QString>("steps", "menu", "editorShown",
                                                            "warning", "saved");

        if (steps.startsWith("unreadable"))
            m_folder.write("notes.json", "{not json");
        NotesStore store(notesFile(), &m_time, &m_time, &m_folder.files);
        NotesView view(store);
        view.resize(320, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *editor = view.findChild<QPlainTextEdit *>();

        for (const QString &step : steps.split(',')) {
            if (step.startsWith("type:")) {
                QTest::keyClicks(editor, step.mid(5));
                QCOMPARE(store.selectedNote()->content, step.mid(5)); // every keystroke
            } else if (step == "wait") {
                m_time.advance(0.4);
            } else if (step == "hide") {
                view.hide();
            } else if (step == "delete") {
                view.notesMenu()->actions().constLast()->trigger();
            } else if (step == "Escape") {
                QTest::keyClick(view.confirmation(), Qt::Key_Escape);
            } else if (QMessageBox *box = view.confirmation()) {
                buttonNamed(box, step)->click();
            } else if (step != "unreadable") {
                buttonNamed(&view, step)->click();
            }
        }
        QVERIFY(!store.pendingDeletionID());
        QCOMPARE(menuLines(*view.notesMenu()).join(u'|'), menu);
        QCOMPARE(editor->isVisibleTo(&view), editorShown);
        QCOMPARE(buttonNamed(&view, "Write a note")->isVisibleTo(&view), !editorShown);
        const auto *line = view.findChild<QLabel *>("warning");
        QCOMPARE(line->isVisibleTo(&view) ? line->text() : QString(), warning);
        store.finishWriting();
        if (!saved.isEmpty()) {
            QFile file(notesFile());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll().contains(saved.toUtf8()), "the edit was not written");
        }
    }
};

QTEST_MAIN(NotesViewTest)
#include "tst_notes_view.moc"
