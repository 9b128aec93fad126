#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"
#include "core/SerialWorker.h"
#include "notes/CrestNote.h"
#include "notes/NotesDocumentFormat.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class Clock;
class FileStorage;
class Scheduler;

/// The notes and their selection, saved together in `notes.json` shortly
/// after each change. Encoding and writing run on a worker thread of the
/// store's own, on a snapshot; everything else is main thread only.
class NotesStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<CrestNote> notes READ notes NOTIFY notesChanged)
    Q_PROPERTY(QString saveStatus READ saveStatus NOTIFY saveStatusChanged)
    Q_PROPERTY(bool hasSaveError READ hasSaveError NOTIFY hasSaveErrorChanged)

public:
    /// `storagePath` empty means `notes.json` in the per-user data folder.
    /// Loads at once; on a first launch writes a document holding one empty,
    /// selected note.
    explicit NotesStore(QString storagePath = {}, Clock *clock = nullptr,
                        Scheduler *scheduler = nullptr, FileStorage *files = nullptr,
                        QObject *parent = nullptr);
    /// Waits for the writes already handed to the worker.
    ~NotesStore() override;

    /// Newest created first.
    const QList<CrestNote> &notes() const { return m_notes; }
    const std::optional<QUuid> &selectedNoteID() const { return m_selectedNoteID; }
    /// The selected note, if the selection names an existing one.
    std::optional<CrestNote> selectedNote() const;
    /// The status line; empty when there is none.
    const QString &saveStatus() const { return m_saveStatus; }
    bool hasSaveError() const { return m_hasSaveError; }
    /// The note whose deletion awaits confirmation; set by the notes view.
    const std::optional<QUuid> &pendingDeletionID() const { return m_pendingDeletionID; }
    void setPendingDeletionID(const std::optional<QUuid> &value);

    const QString &storagePath() const { return m_storagePath; }
    /// False for the rest of the run once the document existed but could not
    /// be read: that file is then never overwritten, and what the person
    /// writes goes to `writePath()` instead.
    bool canWrite() const { return m_canWrite; }
    /// Where saves go: `storagePath()`, or a recovery file beside it that
    /// overwrites nothing.
    const QString &writePath() const { return m_writePath; }

    /// Creates an empty note first in the list and selects it.
    void addNote();
    /// Ids are taken by value: callers pass ids read from `notes()`, which
    /// the operations replace.
    void select(QUuid id);
    /// Replaces a note's text; the same text again changes nothing.
    void updateContent(const QString &content, QUuid id);
    /// Removes a note; a removed selection moves to the note that took its
    /// place, or the last one.
    void deleteNote(QUuid id);
    /// Hands pending changes to the writer now.
    void flush();
    /// Waits until every write handed to the writer is done and its outcome
    /// shown.
    void finishWriting();
    /// The last save: pending changes are written now, and when that fails
    /// they go to a new recovery file beside the document, if one can be
    /// written.
    void saveBeforeQuit();

signals:
    /// The list itself changed: a note came, went, or was replaced.
    void notesChanged();
    /// Only the content of the note `id` changed.
    void noteChanged(QUuid id);
    void selectedNoteIDChanged();
    void saveStatusChanged();
    void hasSaveErrorChanged();
    void pendingDeletionIDChanged();

private:
    void load();
    std::optional<NotesDocumentFormat::Document> read(const QString &path) const;
    void useDocument(const NotesDocumentFormat::Document &document);
    void scheduleSave();
    /// A flush after `delay`, kept in `handle`, which it empties when it runs.
    CancelHandle flushAfter(Seconds delay, CancelHandle NotesStore::*handle);
    void finishSave(quint64 revision, bool ok);
    void showSaved();
    void setNotes(QList<CrestNote> value);
    void setSelectedNoteID(const std::optional<QUuid> &value);
    void setSaveStatus(const QString &value);
    void setHasSaveError(bool value);
    qsizetype indexOf(const QUuid &id) const;

    QString m_storagePath;
    QString m_writePath;
    Clock &m_clock;
    Scheduler &m_scheduler;
    FileStorage &m_files;

    QList<CrestNote> m_notes;
    std::optional<QUuid> m_selectedNoteID;
    QString m_saveStatus;
    bool m_hasSaveError = false;
    std::optional<QUuid> m_pendingDeletionID;
    CancelHandle m_saveTask;
    CancelHandle m_saveCeiling; // the latest a pending edit is written
    CancelHandle m_retryTask;   // the next try after a failed save
    int m_failedSaves = 0;
    quint64 m_revision = 0; // counts changes; a save clears only the one it wrote
    bool m_needsSave = false;
    bool m_canWrite = true;
    QString m_notice; // a lasting warning about recovery files, shown in place of "saved"
    SerialWorker m_writer{QStringLiteral("Velloway.Notes")}; // last: joined before the rest goes
};
