#include "notes/NotesStore.h"
#include "notes/NotesView.h"
#include "support/StoreFolder.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

/// The menu as one line per item: "✓" marks the checked note, "-" a
/// divider, parentheses a disabled item.
QStringList menuLines(const QMenu &menu)
{
    QStringList lines;
    for (const QAction *action : menu.actions()) {
        const QString text = action->isSeparator() ? QStringLiteral("-")
                             : action->isChecked() ? "\u2713" + action->text()
                                                   : action->text();
        lines << (action->isEnabled() ? text : '(' + text + ')');
    }
    return lines;
}

QAbstractButton *buttonNamed(const QWidget &view, const QString &text)
{
    for (auto *button : view.findChildren<QAbstractButton *>())
        if (button->text() == text || button->accessibleName() == text)
            return button;
    return nullptr;
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
        // warning: empty for none; saved: text found on disk
        columns<QString, QStringList, bool, QString, QString>("steps", "menu", "editorShown",
                                                              "warning", "saved");

        const QStringList none = {"(No saved notes)"};
        row("typing reaches the store, saved after the delay", QString("type:Milk,wait"),
            QStringList{"\u2713Milk", "-", "Delete note"}, true, QString(), QString("Milk"));
        row("hiding writes a fresh edit at once", QString("type:Eggs,hide"),
            QStringList{"\u2713Eggs", "-", "Delete note"}, true, QString(), QString("Eggs"));
        row("a blank note goes without asking", QString("type:  ,delete"), none, false, QString(),
            QString());
        row("a note with text asks, Cancel keeps it", QString("type:Keep,delete,Cancel"),
            QStringList{"\u2713Keep", "-", "Delete note"}, true, QString(), QString());
        row("a note with text asks, Delete removes it", QString("type:Gone,delete,Delete"), none,
            false, QString(), QString());
        row("Write a note creates a note to type in", QString("delete,Write a note"),
            QStringList{"\u2713Untitled note", "-", "Delete note"}, true, QString(), QString());
        row("New note adds a second, selected note", QString("type:First,New note"),
            QStringList{"\u2713Untitled note", "First", "-", "Delete note"}, true, QString(),
            QString());
        row("an unreadable file warns all run", QString("unreadable,Write a note,type:x,wait"),
            QStringList{"\u2713x", "-", "Delete note"}, true,
            QString("Saved notes couldn't be read. Original file preserved."), QString());
    }
    void statesAndActions()
    {
        auto [steps, menu, editorShown, warning, saved] =
            fetch<QString, QStringList, bool, QString, QString>("steps", "menu", "editorShown",
                                                                "warning", "saved");

        if (steps.startsWith("unreadable"))
            m_folder.write("notes.json", "{not json");
        NotesStore store(notesFile(), &m_time, &m_time, &m_folder.files);
        NotesView view(store);
        view.resize(320, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *editor = view.findChild<QPlainTextEdit *>();
        QCOMPARE(editor->placeholderText(), QString("Write a note\u2026"));

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
            } else if (QMessageBox *box = view.confirmation()) {
                buttonNamed(*box, step)->click();
            } else if (step != "unreadable") {
                buttonNamed(view, step)->click();
            }
        }
        QVERIFY(!store.pendingDeletionID());
        QCOMPARE(menuLines(*view.notesMenu()), menu);
        QCOMPARE(editor->isVisibleTo(&view), editorShown);
        QCOMPARE(buttonNamed(view, "Write a note")->isVisibleTo(&view), !editorShown);
        const auto *line = view.findChild<QLabel *>("warning");
        QCOMPARE(line->isVisibleTo(&view) ? line->text() : QString(), warning);
        if (!saved.isEmpty()) {
            QFile file(notesFile());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(file.readAll().contains(saved.toUtf8()), "the edit was not written");
        }
    }

    // The dialog names its buttons and lets any dismissal keep the note.
    void escapeKeepsTheNote()
    {
        NotesStore store(notesFile(), &m_time, &m_time, &m_folder.files);
        NotesView view(store);
        store.updateContent("Keep", store.selectedNote()->id);
        view.notesMenu()->actions().constLast()->trigger();
        QMessageBox *box = view.confirmation();
        QVERIFY(box);
        QCOMPARE(box->text(), QString("Delete this note?"));
        QCOMPARE(box->informativeText(), QString("This permanently removes the note."));
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(!store.pendingDeletionID());
        QCOMPARE(store.notes().size(), 1);
    }
};

QTEST_MAIN(NotesViewTest)
#include "tst_notes_view.moc"
