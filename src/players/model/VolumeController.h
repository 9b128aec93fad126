#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class Scheduler;
class PlayerBridging;

/// A player's volume as the program knows it, and the writes of the user's
/// changes to the player. Drags produce values far faster than a player
/// accepts them, so one writer sends them one after another and only the
/// newest unsent value waits; counters keep stale polls, stale writers and a
/// restarted player from overwriting the user's value. Main thread only.
class VolumeController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<int> level READ level NOTIFY levelChanged)
    Q_PROPERTY(bool isDragging READ isDragging NOTIFY isDraggingChanged)
    Q_PROPERTY(bool isWriting READ isWriting NOTIFY isWritingChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)

public:
    using ProcessIDProvider = std::function<std::optional<qint32>()>;

    /// The pause between two writes.
    static constexpr Seconds kWritePause{0.08};
    static constexpr int kDefaultAudibleLevel = 50;

    VolumeController(PlayerBridging &bridge, ProcessIDProvider processIDProvider,
                     QString playerName, Scheduler &scheduler, QObject *parent = nullptr);
    ~VolumeController() override;

    /// None while the volume is unknown.
    std::optional<int> level() const { return m_level; }
    bool isDragging() const { return m_isDragging; }
    bool isWriting() const { return m_isWriting; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    /// Changes with every local change; a poll reports the value it read
    /// together with the revision it read before it started.
    qint64 revision() const { return m_revision; }
    qint64 epoch() const { return m_epoch; }
    int lastAudibleLevel() const { return m_lastAudibleLevel; }
    const QString &playerName() const { return m_playerName; }

    /// The level is known and the player that reported it still runs.
    /// Every user operation does nothing otherwise.
    bool isAvailable() const;
    /// The mute button's help: the last error, else what pressing it does.
    QString muteHelp() const;

    /// A poll's result: the level `processID` reported (none when it could
    /// not be read), read under `revision`.
    void receive(std::optional<int> level, qint64 revision, qint32 processID);
    /// Forgets everything; writes in progress are abandoned.
    void reset();
    /// Sets the level in percent (limited to 0...100, rounded half away from
    /// zero) and writes it to the player.
    void setLevel(double value);
    /// Mutes, or restores the last audible level.
    void toggleMute();

    std::optional<QUuid> beginDragging();
    void updateDragging(double fraction, const QUuid &session);
    void endDragging(const QUuid &session);

signals:
    void levelChanged();
    void isDraggingChanged();
    void isWritingChanged();
    void errorMessageChanged();

private:
    /// Resets when the player that reported the level is gone.
    bool checkAvailable();
    void startWriter();
    void writeNext();
    void finishWrite(qint64 epoch, quint64 write, int value, bool succeeded);

    PlayerBridging &m_bridge;
    const ProcessIDProvider m_processIDProvider;
    const QString m_playerName;
    Scheduler &m_scheduler;

    std::optional<int> m_level;
    bool m_isDragging = false;
    bool m_isWriting = false;
    std::optional<QString> m_errorMessage;
    qint64 m_revision = 0;
    qint64 m_epoch = 0;
    std::optional<qint32> m_processID;
    std::optional<int> m_acknowledgedLevel;
    int m_lastAudibleLevel = kDefaultAudibleLevel;
    std::optional<int> m_pendingLevel;
    std::optional<QUuid> m_session;

    // The writer: the process it writes to, the write in flight and its
    // deadline, or the pause before the next write.
    qint32 m_writerProcessID = 0;
    quint64 m_write = 0;
    CancelHandle m_writeDeadline;
    CancelHandle m_pause;
};
