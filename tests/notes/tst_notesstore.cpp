#include "core/UuidText.h"
#include "notes/NotesStore.h"
#include "support/FileOwnership.h"
#include "support/StoreFolder.h"
#include "support/TestRows.h"
#include "support/UnreadableFiles.h"
#include "support/VirtualTime.h"

#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace FileOwnership;

namespace {

const QString kSaved = QStringLiteral("Saved on this computer");
const QString kSaving = QStringLiteral("Saving\u2026");
const QString kUnreadable =
    QStringLiteral("Saved notes couldn't be read. Original file preserved.");
const QString kSaveFailed = QStringLiteral("Couldn't save. Your edits are still in memory.");
const QString kRecoveredIn = QStringLiteral(" New notes are saved in %1.");

const QString kA = QStringLiteral("A0000000-0000-4000-8000-00000000000A");
const QString kB = QStringLiteral("B0000000-0000-4000-8000-00000000000B");
const QString kC = QStringLiteral("C0000000-0000-4000-8000-00000000000C");

QUuid uuid(const QString &text)
{
    return QUuid::fromString(text);
}

QByteArray noteJson(const QString &id, const QString &content)
{
    return QStringLiteral(R"({"content":"%2","createdAt":"2026-01-01T10:00:00Z","id":"%1",)"
                          R"("modifiedAt":"2026-01-01T10:00:00Z"})")
        .arg(id, content)
        .toUtf8();
}

QByteArray documentJson(const QList<QByteArray> &notes, const QString &selected = {})
{
    QByteArray out = "{\"version\":1,\"notes\":[" + notes.join(',') + "]";
    if (!selected.isEmpty())
        out += ",\"selectedNoteID\":\"" + selected.toUtf8() + "\"";
    return out + "}";
}

QList<QUuid> ids(const QList<CrestNote> &notes)
{
    QList<QUuid> out;
    for (const CrestNote &note : notes)
        out << note.id;
    return out;
}

} // namespace

class NotesStoreTest : public QObject
{
    Q_OBJECT

    StoreFolder m_folder;
    CountingFileStorage &m_files = m_folder.files;
    VirtualTime m_time;

    QString folder() const { return m_folder.path("data/Velloway"); }
    QString notesFile() const { return m_folder.path("data/Velloway/notes.json"); }
    QString recoveryFile() const { return m_folder.path("data/Velloway/notes.recovered.json"); }
    std::unique_ptr<NotesStore> store()
    {
        return std::make_unique<NotesStore>(notesFile(), &m_time, &m_time, &m_files);
    }
    // Virtual time runs the save timers; the writes they hand over are then
    // waited for, so that what the disk holds can be read.
    void advance(NotesStore &notes, double seconds)
    {
        m_time.advance(seconds);
        notes.finishWriting();
    }
    void writeDocument(const QByteArray &bytes)
    {
        m_folder.write("data/Velloway/notes.json", bytes);
    }

private slots:
    void init()
    {
        QVERIFY(m_folder.reset());
        m_time.setWallNow(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 890), Qt::UTC));
    }

    void firstLaunchWritesOneEmptySelectedNoteAtOnce()
    {
        auto notes = store();
        QCOMPARE(notes->notes().size(), 1);
        const CrestNote note = notes->notes().first();
        QCOMPARE(notes->selectedNote(), std::optional(note));
        QCOMPARE(notes->saveStatus(), kSaved);
        QVERIFY(!notes->hasSaveError());
        QCOMPARE(m_files.writes, 1);
        QCOMPARE(m_time.pendingCount(), 0);
        QCOMPARE(mode(notesFile()), 0600);
        QCOMPARE(mode(folder()), 0700);
        QCOMPARE(mode(QFileInfo(folder()).absolutePath()), 0700);

        // Pretty-printed, keys sorted at every level, whole-second UTC dates,
        // upper-case UUIDs.
        const QString id = UuidText::format(note.id);
        QCOMPARE(QString::fromUtf8(readFile(notesFile())),
                 QStringLiteral("{\n"
                                "    \"notes\": [\n"
                                "        {\n"
                                "            \"content\": \"\",\n"
                                "            \"createdAt\": \"2026-03-04T05:06:07Z\",\n"
                                "            \"id\": \"%1\",\n"
                                "            \"modifiedAt\": \"2026-03-04T05:06:07Z\"\n"
                                "        }\n"
                                "    ],\n"
                                "    \"selectedNoteID\": \"%1\",\n"
                                "    \"version\": 1\n"
                                "}\n")
                     .arg(id));
    }

    void documentRoundTripsThroughTheFile()
    {
        writeDocument(documentJson({noteJson(kA.toLower(), "first\\nline"), noteJson(kB, "b")},
                                   kB.toLower()));
        auto notes = store();
        const QDateTime written(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);
        QCOMPARE(notes->notes(), (QList<CrestNote>{{uuid(kA), "first\nline", written, written},
                                                   {uuid(kB), "b", written, written}}));
        QCOMPARE(notes->selectedNoteID(), std::optional(uuid(kB)));
        QCOMPARE(notes->saveStatus(), kSaved);
        QCOMPARE(m_files.writes, 0);

        notes->updateContent("ünïcode ✓ \"quoted\"", uuid(kB));
        notes->flush();
        notes->finishWriting();
        const QByteArray bytes = readFile(notesFile());
        QVERIFY(bytes.contains(kA.toUtf8())); // written upper-case
        QVERIFY(!bytes.contains(kA.toLower().toUtf8()));
        auto reread = store();
        const CrestNote edited{uuid(kB), "ünïcode ✓ \"quoted\"", written,
                               QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC)};
        QCOMPARE(reread->notes(), (QList<CrestNote>{notes->notes().first(), edited}));
        QCOMPARE(reread->selectedNoteID(), std::optional(uuid(kB)));
    }

    void loadingChoosesTheSelection_data()
    {
        columns<QByteArray, QString>("document", "selected");
        row("named note", documentJson({noteJson(kA, ""), noteJson(kB, "")}, kB), kB);
        row("unknown id selects first", documentJson({noteJson(kA, ""), noteJson(kB, "")}, kC), kA);
        row("absent selects first", documentJson({noteJson(kB, "")}), kB);
        row("no notes, no selection", documentJson({}, kA), QString());
        row("null selection",
            QByteArray(R"({"version":1,"notes":[],)"
                       R"("selectedNoteID":null,"x":1})"),
            QString());
        row("offset date",
            QByteArray(R"({"version":1,"notes":[{"content":"",)"
                       R"("createdAt":"2026-01-01T10:00:00+02:00",)"
                       R"("id":"A0000000-0000-4000-8000-00000000000A",)"
                       R"("modifiedAt":"2026-01-01T10:00:00Z"}]})"),
            kA);
    }

    void loadingChoosesTheSelection()
    {
        auto [document, selected] = fetch<QByteArray, QString>("document", "selected");
        writeDocument(document);
        auto notes = store();
        QCOMPARE(notes->selectedNoteID(),
                 selected.isEmpty() ? std::nullopt : std::optional(uuid(selected)));
        QCOMPARE(notes->saveStatus(), kSaved);
        QVERIFY(!notes->hasSaveError());
        QCOMPARE(m_files.writes, 0);
        QCOMPARE(readFile(notesFile()), document); // loading alone never writes
    }

    void unreadableDocumentIsNeverOverwritten_data()
    {
        const QByteArray good = documentJson({noteJson(kA, "keep me")}, kA);
        QTest::addColumn<QByteArray>("bytes");
        row("truncated", good.left(good.size() - 3));
        row("not JSON", QByteArray("notes: keep me"));
        row("empty file", QByteArray());
        row("array", "[" + good + "]");
        row("version 2", QByteArray(good).replace("\"version\":1", "\"version\":2"));
        row("version as text", QByteArray(good).replace("\"version\":1", "\"version\":\"1\""));
        row("version 1.5", QByteArray(good).replace("\"version\":1", "\"version\":1.5"));
        row("no version", QByteArray(good).replace("\"version\":1,", ""));
        row("no notes", QByteArray(R"({"version":1})"));
        row("note without content", QByteArray(good).replace("\"content\":\"keep me\",", ""));
        row("bad note UUID", documentJson({noteJson("A000-not-a-uuid", "x")}));
        row("bad selected UUID", documentJson({noteJson(kA, "x")}, "nope"));
        row("date with fractions",
            QByteArray(good).replace("10:00:00Z\",\"id", "10:00:00.500Z\",\"id"));
        row("date without time",
            QByteArray(good).replace("2026-01-01T10:00:00Z\",\"id", "2026-01-01\",\"id"));
        row("date without zone", QByteArray(good).replace("10:00:00Z\",\"id", "10:00:00\",\"id"));
        row("impossible date",
            QByteArray(good).replace("2026-01-01T10:00:00Z\",\"id", "2026-02-30T10:00:00Z\",\"id"));
    }

    void unreadableDocumentIsNeverOverwritten()
    {
        QFETCH(QByteArray, bytes);
        writeDocument(bytes);
        auto notes = store();
        QVERIFY(!notes->canWrite());
        QVERIFY(notes->notes().isEmpty());
        QCOMPARE(notes->saveStatus(), kUnreadable + kRecoveredIn.arg("notes.recovered.json"));
        QVERIFY(notes->hasSaveError());

        // What the person writes then goes to a file beside it, and the
        // warning stays; the unreadable file keeps its bytes.
        notes->addNote();
        notes->updateContent("typed", notes->notes().first().id);
        advance(*notes, 0.4);
        QCOMPARE(notes->saveStatus(), kUnreadable + kRecoveredIn.arg("notes.recovered.json"));
        notes.reset();
        QCOMPARE(readFile(notesFile()), bytes);
        QVERIFY(readFile(recoveryFile()).contains("typed"));

        // The next start goes on with the recovered notes, in the same file.
        notes = store();
        QCOMPARE(notes->notes().size(), 1);
        QCOMPARE(notes->notes().first().content, QString("typed"));
        notes->updateContent("typed more", notes->notes().first().id);
        advance(*notes, 0.4);
        QVERIFY(readFile(recoveryFile()).contains("typed more"));
        QCOMPARE(readFile(notesFile()), bytes);

        // Once the document reads again, the recovery file is named, not merged.
        notes.reset();
        writeDocument(documentJson({noteJson(kA, "old")}, kA));
        notes = store();
        QCOMPARE(ids(notes->notes()), QList<QUuid>{uuid(kA)});
        QCOMPARE(notes->saveStatus(), QString("Notes written while notes.json couldn't be read "
                                              "are in notes.recovered.json."));
        QVERIFY(notes->hasSaveError());
    }

    void pipeDeviceOrHugeDocumentIsNeverRead_data() { UnreadableFiles::rows(); }
    void pipeDeviceOrHugeDocumentIsNeverRead()
    {
        std::unique_ptr<NotesStore> notes;
        const QByteArray head = "{\"version\":1,\"notes\":[],\"x\":\"";
        const auto load = [&](auto &) { notes = store(); };
        QVERIFY(UnreadableFiles::keptAfter(notesFile(), 32 << 20, head, "\"}", load));
        QCOMPARE(notes->saveStatus(), kUnreadable + kRecoveredIn.arg("notes.recovered.json"));
    }

    void typingWritesOncePerPause()
    {
        auto notes = store();
        const QUuid id = notes->notes().first().id;
        m_files.writes = 0;
        QSignalSpy status(notes.get(), &NotesStore::saveStatusChanged);
        for (int i = 1; i <= 6; ++i) {
            notes->updateContent(QString("abcdefghij").left(i), id);
            advance(*notes, 0.3);
        }
        QCOMPARE(m_files.writes, 0);
        QCOMPARE(notes->saveStatus(), kSaving);
        advance(*notes, 0.09);
        QCOMPARE(m_files.writes, 0);
        advance(*notes, 0.02);
        QCOMPARE(m_files.writes, 1);
        QCOMPARE(notes->saveStatus(), kSaved);
        QCOMPARE(status.count(), 2); // "Saving…" once, then saved
        QVERIFY(readFile(notesFile()).contains("abcdef"));

        // Typing that never pauses is written 2 s after its first unsaved
        // change, and again 2 s after the next one.
        QString text = "abcdef";
        for (int i = 0; i < 20; ++i) { // 6 s of typing, a key every 0.3 s
            text += u'x';
            notes->updateContent(text, id);
            advance(*notes, 0.3);
        }
        QCOMPARE(m_files.writes, 3); // at 2 s and 4.1 s into the typing
        QVERIFY(readFile(notesFile()).contains("abcdef" + QByteArray(14, 'x')));
        QVERIFY(!readFile(notesFile()).contains(text.toUtf8()));
        advance(*notes, 0.4);
        QCOMPARE(m_files.writes, 4);
        QVERIFY(readFile(notesFile()).contains(text.toUtf8()));
        notes->updateContent("abcdefghij", id);
        advance(*notes, 0.4);
        QCOMPARE(m_files.writes, 5);

        // The same text again is no change: no new date, no save.
        const QDateTime modified = notes->notes().first().modifiedAt;
        advance(*notes, 10.0);
        notes->updateContent("abcdefghij", id);
        QCOMPARE(notes->notes().first().modifiedAt, modified);
        QCOMPARE(m_time.pendingCount(), 0);
        QCOMPARE(notes->saveStatus(), kSaved);

        // Quitting or collapsing writes a pending edit at once, and only once.
        notes->updateContent("quit soon", id);
        advance(*notes, 0.2);
        notes->flush();
        notes->finishWriting();
        QCOMPARE(m_files.writes, 6);
        QVERIFY(readFile(notesFile()).contains("quit soon"));
        advance(*notes, 3.0);
        notes->flush();
        notes->finishWriting();
        QCOMPARE(m_files.writes, 6);
    }

    void editsFollowTheListRules()
    {
        writeDocument(documentJson({noteJson(kA, "a"), noteJson(kB, "b"), noteJson(kC, "c")}, kB));
        auto notes = store();

        // Deleting the selected middle note selects the one that followed.
        notes->deleteNote(uuid(kB));
        QCOMPARE(ids(notes->notes()), (QList<QUuid>{uuid(kA), uuid(kC)}));
        QCOMPARE(notes->selectedNoteID(), std::optional(uuid(kC)));
        // Deleting the selected last note selects the new last one.
        notes->deleteNote(uuid(kC));
        QCOMPARE(notes->selectedNoteID(), std::optional(uuid(kA)));
        // Another note's deletion leaves the selection alone.
        notes->addNote();
        const QUuid added = notes->notes().first().id;
        QCOMPARE(notes->selectedNoteID(), std::optional(added));
        notes->select(uuid(kA));
        notes->deleteNote(notes->notes().first().id); // an id held by the list itself
        QCOMPARE(notes->selectedNoteID(), std::optional(uuid(kA)));
        // Unknown ids change nothing.
        notes->select(uuid(kB));
        notes->deleteNote(uuid(kB));
        notes->updateContent("x", uuid(kB));
        QCOMPARE(ids(notes->notes()), (QList<QUuid>{uuid(kA)}));
        // The last note can go; no replacement appears.
        notes->deleteNote(uuid(kA));
        QVERIFY(notes->notes().isEmpty());
        QCOMPARE(notes->selectedNoteID(), std::nullopt);
        advance(*notes, 0.4);
        QCOMPARE(readFile(notesFile()), QByteArray("{\n    \"notes\": [],\n"
                                                   "    \"version\": 1\n}\n"));

        // New notes go first; selecting is saved too.
        notes->addNote();
        notes->addNote();
        const QUuid newest = notes->notes().first().id, older = notes->notes()[1].id;
        notes->select(older);
        advance(*notes, 0.4);
        auto reread = store();
        QCOMPARE(ids(reread->notes()), (QList<QUuid>{newest, older}));
        QCOMPARE(reread->selectedNoteID(), std::optional(older));
    }

    void failedWritesKeepEditsAndCatchUp()
    {
        if (!canActAsRoot())
            QSKIP("needs root to make a folder that belongs to someone else");
        writeDocument(documentJson({noteJson(kA, "old")}, kA));
        const QByteArray before = readFile(notesFile());
        // The folder belongs to root: its permissions cannot be set and
        // nothing can be created in it, although the document is readable.
        asRoot([&] {
            QVERIFY(::chown(QFile::encodeName(folder()), 0, 0) == 0);
            QVERIFY(::chmod(QFile::encodeName(folder()), 0755) == 0);
        });
        auto notes = store();
        QCOMPARE(notes->saveStatus(), kSaved);
        notes->updateContent("new", uuid(kA));
        notes->flush();
        notes->finishWriting();
        QCOMPARE(notes->saveStatus(), kSaveFailed);
        QVERIFY(notes->hasSaveError());
        QCOMPARE(notes->notes().first().content, QString("new"));
        QCOMPARE(readFile(notesFile()), before);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes.json"});

        // A later change reads "Saving…" with the error still set...
        notes->updateContent("newer", uuid(kA));
        QCOMPARE(notes->saveStatus(), kSaving);
        QVERIFY(notes->hasSaveError());
        advance(*notes, 0.4);
        QCOMPARE(notes->saveStatus(), kSaveFailed);
        advance(*notes, 2.0); // tried again 2 s later, in vain
        QCOMPARE(notes->saveStatus(), kSaveFailed);

        // ...and once writing works again, the next try (4 s on) writes
        // everything in memory, with no further edit.
        QVERIFY(takeOwnership(folder()));
        advance(*notes, 3.9);
        QCOMPARE(notes->saveStatus(), kSaveFailed);
        advance(*notes, 0.1);
        QCOMPARE(notes->saveStatus(), kSaved);
        QVERIFY(!notes->hasSaveError());
        QVERIFY(readFile(notesFile()).contains("newer"));
        QCOMPARE(mode(folder()), 0700);
        QCOMPARE(mode(notesFile()), 0600);

        // A folder that cannot be created: the first note lives in memory.
        writeFile(m_folder.path("plain"), "file");
        NotesStore blocked(m_folder.path("plain/Velloway/notes.json"), &m_time, &m_time, &m_files);
        QCOMPARE(blocked.notes().size(), 1);
        QCOMPARE(blocked.saveStatus(), kSaveFailed);
        QVERIFY(blocked.canWrite());
    }

    void quittingWhileSavesFailKeepsEditsInARecoveryFile()
    {
        writeDocument(documentJson({noteJson(kA, "old")}, kA));
        auto notes = store();
        // Something took the document's place after it was read: saves fail.
        QVERIFY(QFile::remove(notesFile()));
        QVERIFY(QDir().mkpath(notesFile() + "/in-the-way"));
        notes->updateContent("kept at quit", uuid(kA));
        advance(*notes, 0.4);
        QCOMPARE(notes->saveStatus(), kSaveFailed);
        notes->saveBeforeQuit();
        QVERIFY(readFile(recoveryFile()).contains("kept at quit"));
    }

    void titleIsTheFirstNonBlankLine_data()
    {
        columns<QString, QString>("content", "title");
        row("empty", "", "Untitled note");
        row("only blanks", " \t\n  \r\n\u2028\t", "Untitled note");
        row("trimmed", "\t  Shopping list \t\nmilk", "Shopping list");
        row("after blank lines", "\n \n\r\nSecond", "Second");
        row("line separator", "One\u2028Two", "One");
        row("paragraph separator", " \u2029Two\u2029", "Two");
        row("next line", "A\u0085B", "A");
        row("carriage return", "  \rX", "X");
        row("inner spaces kept", "a  b", "a  b");
        row("no-break space is not trimmed", "\u00a0x", "\u00a0x");
        row("100 characters", QString(100, u'x'), QString(60, u'x'));
        const QString family = QString::fromUtf8("👨‍👩‍👧");
        row("60 user-perceived characters", family.repeated(70), family.repeated(60));
        row("accents stay whole", QString("e\u0301").repeated(61), QString("e\u0301").repeated(60));
    }

    void titleIsTheFirstNonBlankLine()
    {
        auto [content, title] = fetch<QString, QString>("content", "title");
        CrestNote note;
        note.content = content;
        QCOMPARE(note.title(), title);
    }
};

QTEST_GUILESS_MAIN(NotesStoreTest)
#include "tst_notesstore.moc"
