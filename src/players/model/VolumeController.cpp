#include "players/model/VolumeController.h"

#include "core/Published.h"
#include "core/Scheduler.h"
#include "players/model/PlayerBridging.h"
#include "players/model/PlayerConnectionPolicy.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

VolumeController::VolumeController(PlayerBridging &bridge, ProcessIDProvider processIDProvider,
                                   QString playerName, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_bridge(bridge), m_processIDProvider(std::move(processIDProvider)),
      m_playerName(std::move(playerName)), m_scheduler(scheduler)
{}

VolumeController::~VolumeController() = default;

bool VolumeController::isAvailable() const
{
    return m_level && m_processID && m_processIDProvider() == m_processID;
}

bool VolumeController::checkAvailable()
{
    if (isAvailable())
        return true;
    if (m_processID)
        reset(); // the player quit or was restarted
    return false;
}

QString VolumeController::muteHelp() const
{
    if (m_errorMessage)
        return *m_errorMessage;
    if (m_level == 0)
        return QStringLiteral("Unmute %1 \u00B7 %2%").arg(m_playerName).arg(m_lastAudibleLevel);
    return QStringLiteral("Mute ") + m_playerName;
}

void VolumeController::receive(std::optional<int> level, qint64 revision, qint32 processID)
{
    // A poll that began before a local change, or that asked an old process,
    // must not overwrite what the user set.
    if (m_processIDProvider() != processID || revision != m_revision)
        return;
    if (m_processID && *m_processID != processID)
        reset();
    if (m_isDragging || m_isWriting)
        return;
    if (!level || *level < 0 || *level > 100) {
        reset();
        return;
    }
    m_processID = processID;
    m_acknowledgedLevel = level;
    if (*level != 0)
        m_lastAudibleLevel = *level;
    publish(this, m_level, level, &VolumeController::levelChanged);
    publish(this, m_errorMessage, std::nullopt, &VolumeController::errorMessageChanged);
}

void VolumeController::reset()
{
    ++m_epoch;
    ++m_revision;
    m_pause.cancel();
    m_writeDeadline.cancel();
    m_pendingLevel.reset();
    m_session.reset();
    m_acknowledgedLevel.reset();
    m_processID.reset();
    m_lastAudibleLevel = kDefaultAudibleLevel;
    publish(this, m_isDragging, false, &VolumeController::isDraggingChanged);
    publish(this, m_isWriting, false, &VolumeController::isWritingChanged);
    publish(this, m_level, std::nullopt, &VolumeController::levelChanged);
    publish(this, m_errorMessage, std::nullopt, &VolumeController::errorMessageChanged);
}

void VolumeController::setLevel(double value)
{
    if (!std::isfinite(value) || !checkAvailable())
        return;
    const int target = int(std::round(std::clamp(value, 0.0, 100.0)));
    if (target == m_level)
        return;
    if (*m_level >= 1)
        m_lastAudibleLevel = *m_level;
    publish(this, m_level, target, &VolumeController::levelChanged);
    publish(this, m_errorMessage, std::nullopt, &VolumeController::errorMessageChanged);
    ++m_revision;
    m_pendingLevel = target;
    startWriter();
}

void VolumeController::toggleMute()
{
    if (!m_level || m_isDragging)
        return;
    setLevel(*m_level != 0 ? 0 : m_lastAudibleLevel);
}

std::optional<QUuid> VolumeController::beginDragging()
{
    if (!checkAvailable() || m_session)
        return std::nullopt;
    m_session = QUuid::createUuid();
    ++m_revision;
    publish(this, m_isDragging, true, &VolumeController::isDraggingChanged);
    return m_session;
}

void VolumeController::updateDragging(double fraction, const QUuid &session)
{
    if (m_session != session || !std::isfinite(fraction))
        return;
    setLevel(std::clamp(fraction, 0.0, 1.0) * 100);
}

void VolumeController::endDragging(const QUuid &session)
{
    if (m_session != session)
        return;
    m_session.reset();
    ++m_revision;
    publish(this, m_isDragging, false, &VolumeController::isDraggingChanged);
}

void VolumeController::startWriter()
{
    if (m_isWriting || !m_processID)
        return;
    m_writerProcessID = *m_processID;
    publish(this, m_isWriting, true, &VolumeController::isWritingChanged);
    writeNext();
}

void VolumeController::writeNext()
{
    if (m_processIDProvider() != m_writerProcessID) {
        reset();
        return;
    }
    if (!m_pendingLevel) {
        ++m_revision;
        publish(this, m_isWriting, false, &VolumeController::isWritingChanged);
        return;
    }
    const int value = *std::exchange(m_pendingLevel, std::nullopt);
    const qint64 epoch = m_epoch;
    const quint64 write = ++m_write;
    // A bridge that never answers must not hold the writer (and with it
    // every poll result) forever.
    m_writeDeadline =
        m_scheduler.after(PlayerConnectionPolicy::kReplyDeadline, [this, epoch, write, value] {
            m_writeDeadline.release();
            finishWrite(epoch, write, value, false);
        });
    m_bridge.send(PlayerCommand::volume(value), m_writerProcessID,
                  [self = QPointer(this), epoch, write, value](PlayerSendResult result) {
                      if (self)
                          self->finishWrite(epoch, write, value, result.isSuccess());
                  });
}

void VolumeController::finishWrite(qint64 epoch, quint64 write, int value, bool succeeded)
{
    if (epoch != m_epoch || write != m_write || !m_isWriting)
        return;
    ++m_write; // the reply and the deadline: whichever comes second is stale
    m_writeDeadline.cancel();
    if (succeeded) {
        if (m_processIDProvider() != m_writerProcessID) {
            reset();
            return;
        }
        m_acknowledgedLevel = value;
        if (value >= 1)
            m_lastAudibleLevel = value;
        m_pause = m_scheduler.after(kWritePause, [this, epoch] {
            m_pause.release();
            if (epoch == m_epoch)
                writeNext();
        });
        return;
    }
    m_pendingLevel.reset();
    m_session.reset();
    if (m_acknowledgedLevel >= 1)
        m_lastAudibleLevel = *m_acknowledgedLevel;
    ++m_revision;
    publish(this, m_level, m_acknowledgedLevel, &VolumeController::levelChanged);
    publish(this, m_isDragging, false, &VolumeController::isDraggingChanged);
    publish(this, m_isWriting, false, &VolumeController::isWritingChanged);
    publish(this, m_errorMessage,
            m_playerName + QStringLiteral(" couldn\u2019t change the volume. Try again."),
            &VolumeController::errorMessageChanged);
}
