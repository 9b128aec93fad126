#pragma once

#include "core/CancelHandle.h"
#include "notes/CrestNote.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class Clock;
class FileStorage;
class Scheduler;

/// The notes and their selection, saved together in `notes.json` shortly
/// after each change. Main thread only.
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
    /// be read: that file is then never overwritten.
    bool canWrite() const { return m_canWrite; }

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
    /// Writes pending changes now.
    void flush();

signals:
    void notesChanged();
    void selectedNoteIDChanged();
    void saveStatusChanged();
    void hasSaveErrorChanged();
    void pendingDeletionIDChanged();

private:
    void load();
    void scheduleSave();
    void setNotes(QList<CrestNote> value);
    void setSelectedNoteID(const std::optional<QUuid> &value);
    void setSaveStatus(const QString &value);
    void setHasSaveError(bool value);
    qsizetype indexOf(const QUuid &id) const;

    QString m_storagePath;
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
    bool m_needsSave = false;
    bool m_canWrite = true;
};
