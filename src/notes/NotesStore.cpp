#include "notes/NotesStore.h"

#include "core/Scheduler.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "notes/NotesDocumentFormat.h"
#include "platform/storage/AppDataFolder.h"
#include "platform/storage/LocalFileStorage.h"
#include "platform/storage/RecoveryFiles.h"

#include <QCoreApplication>
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

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

// Runs on the writer: the document is a snapshot, shared with nothing that
// changes.
bool writeDocument(FileStorage &files, const QString &path,
                   const NotesDocumentFormat::Document &document)
{
    const QString folder = QFileInfo(path).absolutePath();
    return files.createFolder(folder) && files.setPermissions(folder, 0700) &&
           files.writeAtomically(path, NotesDocumentFormat::encode(document)) &&
           files.setPermissions(path, 0600);
}

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
    m_writePath = m_storagePath;
    load();
}

NotesStore::~NotesStore()
{
    m_writer.drain();
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

std::optional<NotesDocumentFormat::Document> NotesStore::read(const QString &path) const
{
    const auto bytes = m_files.readAll(path, kMaxDocumentBytes);
    auto document = bytes ? NotesDocumentFormat::decode(*bytes) : std::nullopt;
    if (!document || document->version != NotesDocumentFormat::kVersion)
        return std::nullopt;
    return document;
}

void NotesStore::useDocument(const NotesDocumentFormat::Document &document)
{
    setNotes(document.notes);
    std::optional<QUuid> selection;
    if (document.selectedNoteID && indexOf(*document.selectedNoteID) >= 0)
        selection = document.selectedNoteID;
    else if (!m_notes.isEmpty())
        selection = m_notes.first().id;
    setSelectedNoteID(selection);
}

// An unreadable document keeps its bytes; what the person writes from then on
// goes to a recovery file beside it, and the next start continues that file.
// A recovery file beside a readable document is named in the warning, never
// merged without a word.
void NotesStore::load()
{
    if (!m_files.exists(m_storagePath)) {
        addNote();
        flush();
        finishWriting();
        return;
    }
    const auto latestRecovery = RecoveryFiles::latest(m_files, m_storagePath);
    if (const auto document = read(m_storagePath)) {
        useDocument(*document);
        if (latestRecovery)
            m_notice = QStringLiteral("Notes written while %1 couldn't be read are in %2.")
                           .arg(fileName(m_storagePath), fileName(*latestRecovery));
        showSaved();
        return;
    }
    m_canWrite = false;
    const auto recovered = latestRecovery ? read(*latestRecovery) : std::nullopt;
    if (recovered) {
        useDocument(*recovered);
        m_writePath = *latestRecovery;
    } else {
        m_writePath = RecoveryFiles::firstFree(m_files, m_storagePath).value_or(QString());
    }
    m_notice = m_writePath.isEmpty()
                   ? kUnreadableStatus
                   : kUnreadableStatus +
                         QStringLiteral(" New notes are saved in %1.").arg(fileName(m_writePath));
    showSaved();
}

void NotesStore::showSaved()
{
    setHasSaveError(!m_notice.isEmpty());
    setSaveStatus(m_notice.isEmpty() ? kSavedStatus : m_notice);
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
    // In place: a keystroke costs the same with ten notes or twenty thousand.
    CrestNote &note = m_notes[index];
    note.content = content;
    note.modifiedAt = m_clock.wallNow();
    emit noteChanged(id);
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
    ++m_revision;
    if (m_writePath.isEmpty())
        return;
    if (m_notice.isEmpty())
        setSaveStatus(kSavingStatus);
    m_saveTask = flushAfter(kSaveDelay, &NotesStore::m_saveTask);
    if (!m_saveCeiling)
        m_saveCeiling = flushAfter(kMaxSaveDelay, &NotesStore::m_saveCeiling);
}

CancelHandle NotesStore::flushAfter(Seconds delay, CancelHandle NotesStore::*handle)
{
    return m_scheduler.after(delay, [self = QPointer(this), handle] {
        if (!self)
            return;
        (self->*handle).release(); // running now: nothing left to cancel
        self->flush();
    });
}

void NotesStore::flush()
{
    m_saveTask.cancel();
    m_saveCeiling.cancel();
    m_retryTask.cancel();
    if (!m_needsSave || m_writePath.isEmpty())
        return;
    const NotesDocumentFormat::Document document{NotesDocumentFormat::kVersion, m_selectedNoteID,
                                                 m_notes};
    m_writer.post(
        this,
        [&files = m_files, path = m_writePath, document] {
            return writeDocument(files, path, document);
        },
        [this, revision = m_revision](bool ok) { finishSave(revision, ok); });
}

void NotesStore::finishSave(quint64 revision, bool ok)
{
    if (ok) {
        m_failedSaves = 0;
        if (revision != m_revision)
            return; // later edits wait for their own save
        m_needsSave = false;
        m_retryTask.cancel();
        showSaved();
        return;
    }
    setHasSaveError(true);
    setSaveStatus(kSaveFailedStatus);
    if (m_retryTask || m_saveTask)
        return; // a later save is on its way already
    const Seconds delay = std::min(kMaxRetryDelay, Seconds(1 << std::min(m_failedSaves, 5)));
    ++m_failedSaves;
    m_retryTask = flushAfter(delay, &NotesStore::m_retryTask);
}

void NotesStore::finishWriting()
{
    m_writer.drain();
    // The outcomes were posted to this object; show them before returning.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void NotesStore::saveBeforeQuit()
{
    flush();
    finishWriting();
    if (!m_needsSave || m_writePath != m_storagePath)
        return;
    // The document's own file refused the last try: keep the edits in a new
    // file beside it rather than lose them with the process.
    const auto recovery = RecoveryFiles::firstFree(m_files, m_storagePath);
    if (!recovery)
        return;
    m_writePath = *recovery;
    flush();
    finishWriting();
}
