#include "notes/NotesStore.h"

#include "core/Scheduler.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "notes/NotesDocumentFormat.h"
#include "platform/storage/AppDataFolder.h"
#include "platform/storage/LocalFileStorage.h"

#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace {

constexpr Seconds kSaveDelay{0.4};
// Typing that never pauses still reaches the disk this soon after its first
// unsaved change, so a crash mid-sentence loses at most this much.
constexpr Seconds kMaxSaveDelay{2};
// Far above any typed notes; stops a huge file from exhausting memory at start-up.
constexpr qint64 kMaxDocumentBytes = 32 << 20;
// A failed save is tried again after 1, 2, 4 ... seconds while edits wait,
// so space that comes back on a full disk is used without another edit.
constexpr Seconds kMaxRetryDelay{30};

const QString kSavedStatus = QStringLiteral("Saved on this computer");
const QString kSavingStatus = QStringLiteral("Saving\u2026");
const QString kUnreadableStatus =
    QStringLiteral("Saved notes couldn't be read. Original file preserved.");
const QString kSaveFailedStatus = QStringLiteral("Couldn't save. Your edits are still in memory.");

} // namespace

NotesStore::NotesStore(QString storagePath, Clock *clock, Scheduler *scheduler, FileStorage *files,
                       QObject *parent)
    : QObject(parent),
      m_storagePath(storagePath.isEmpty() ? AppDataFolder::file(QStringLiteral("notes.json"))
                                          : std::move(storagePath)),
      m_clock(clock ? *clock : SystemClock::shared()),
      m_scheduler(scheduler ? *scheduler : TimerScheduler::shared()),
      m_files(files ? *files : LocalFileStorage::shared())
{
    load();
}

std::optional<CrestNote> NotesStore::selectedNote() const
{
    const qsizetype index = m_selectedNoteID ? indexOf(*m_selectedNoteID) : -1;
    return index < 0 ? std::nullopt : std::optional(m_notes[index]);
}

qsizetype NotesStore::indexOf(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_notes.size(); ++i) {
        if (m_notes[i].id == id)
            return i;
    }
    return -1;
}

void NotesStore::setNotes(QList<CrestNote> value)
{
    m_notes = std::move(value);
    emit notesChanged();
}

void NotesStore::setSelectedNoteID(const std::optional<QUuid> &value)
{
    if (m_selectedNoteID == value)
        return;
    m_selectedNoteID = value;
    emit selectedNoteIDChanged();
}

void NotesStore::setSaveStatus(const QString &value)
{
    if (m_saveStatus == value)
        return;
    m_saveStatus = value;
    emit saveStatusChanged();
}

void NotesStore::setHasSaveError(bool value)
{
    if (m_hasSaveError == value)
        return;
    m_hasSaveError = value;
    emit hasSaveErrorChanged();
}

void NotesStore::setPendingDeletionID(const std::optional<QUuid> &value)
{
    if (m_pendingDeletionID == value)
        return;
    m_pendingDeletionID = value;
    emit pendingDeletionIDChanged();
}

void NotesStore::load()
{
    if (!m_files.exists(m_storagePath)) {
        addNote();
        flush();
        return;
    }
    const auto bytes = m_files.readAll(m_storagePath, kMaxDocumentBytes);
    const auto document = bytes ? NotesDocumentFormat::decode(*bytes) : std::nullopt;
    if (!document || document->version != NotesDocumentFormat::kVersion) {
        m_canWrite = false;
        setHasSaveError(true);
        setSaveStatus(kUnreadableStatus);
        return;
    }
    setNotes(document->notes);
    std::optional<QUuid> selection;
    if (document->selectedNoteID && indexOf(*document->selectedNoteID) >= 0)
        selection = document->selectedNoteID;
    else if (!m_notes.isEmpty())
        selection = m_notes.first().id;
    setSelectedNoteID(selection);
    setSaveStatus(kSavedStatus);
}

void NotesStore::addNote()
{
    CrestNote note;
    note.id = QUuid::createUuid();
    note.createdAt = m_clock.wallNow();
    note.modifiedAt = m_clock.wallNow();
    QList<CrestNote> notes = m_notes;
    notes.prepend(note);
    setNotes(std::move(notes));
    setSelectedNoteID(note.id);
    scheduleSave();
}

void NotesStore::select(QUuid id)
{
    if (m_selectedNoteID == id || indexOf(id) < 0)
        return;
    setSelectedNoteID(id);
    scheduleSave();
}

void NotesStore::updateContent(const QString &content, QUuid id)
{
    const qsizetype index = indexOf(id);
    if (index < 0 || m_notes[index].content == content)
        return;
    QList<CrestNote> notes = m_notes;
    notes[index].content = content;
    notes[index].modifiedAt = m_clock.wallNow();
    setNotes(std::move(notes));
    scheduleSave();
}

void NotesStore::deleteNote(QUuid id)
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    QList<CrestNote> notes = m_notes;
    notes.removeAt(index);
    setNotes(std::move(notes));
    if (m_selectedNoteID == id) {
        if (m_notes.isEmpty())
            setSelectedNoteID(std::nullopt);
        else
            setSelectedNoteID(m_notes[std::min(index, m_notes.size() - 1)].id);
    }
    scheduleSave();
}

void NotesStore::scheduleSave()
{
    m_needsSave = true;
    if (!m_canWrite)
        return;
    setSaveStatus(kSavingStatus);
    m_saveTask = m_scheduler.after(kSaveDelay, [self = QPointer(this)] {
        if (!self)
            return;
        self->m_saveTask.release(); // running now: nothing left to cancel
        self->flush();
    });
    if (!m_saveCeiling)
        m_saveCeiling = m_scheduler.after(kMaxSaveDelay, [self = QPointer(this)] {
            if (!self)
                return;
            self->m_saveCeiling.release();
            self->flush();
        });
}

void NotesStore::flush()
{
    m_saveTask.cancel();
    m_saveCeiling.cancel();
    if (!m_needsSave || !m_canWrite)
        return;
    const QString folder = QFileInfo(m_storagePath).absolutePath();
    const NotesDocumentFormat::Document document{NotesDocumentFormat::kVersion, m_selectedNoteID,
                                                 m_notes};
    const bool ok = m_files.createFolder(folder) && m_files.setPermissions(folder, 0700) &&
                    m_files.writeAtomically(m_storagePath, NotesDocumentFormat::encode(document)) &&
                    m_files.setPermissions(m_storagePath, 0600);
    if (ok) {
        m_needsSave = false;
        m_failedSaves = 0;
        m_retryTask.cancel();
        setHasSaveError(false);
        setSaveStatus(kSavedStatus);
    } else {
        setHasSaveError(true);
        setSaveStatus(kSaveFailedStatus);
        const Seconds delay = std::min(kMaxRetryDelay, Seconds(1 << std::min(m_failedSaves, 5)));
        ++m_failedSaves;
        m_retryTask = m_scheduler.after(delay, [self = QPointer(this)] {
            if (!self)
                return;
            self->m_retryTask.release();
            self->flush();
        });
    }
}
