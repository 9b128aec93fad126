#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>

class Clock;
class LyricsController;
class MotionPreference;
class PlayerController;
class Scheduler;

/// What the floating lyrics card shows and what it reports back: the lyrics,
/// the bound player and the time they follow, and where the pointer and the
/// card's header buttons are. The window controller owns it and builds the
/// card on it, so the card never needs to know the windows it sits in.
/// Main thread only.
class LyricsPresentation final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)
    Q_PROPERTY(QRectF headerControlsFrame READ headerControlsFrame WRITE setHeaderControlsFrame
                   NOTIFY headerControlsFrameChanged)
    Q_PROPERTY(QRectF mouseToggleFrame READ mouseToggleFrame WRITE setMouseToggleFrame NOTIFY
                   mouseToggleFrameChanged)

public:
    /// `motion` is the desktop's reduce-motion setting; none: motion is
    /// never reduced.
    LyricsPresentation(LyricsController &lyrics, PlayerController &player, const Clock &clock,
                       Scheduler &scheduler, MotionPreference *motion, QObject *parent = nullptr);

    LyricsController &lyrics() const { return m_lyrics; }
    PlayerController &player() const;
    /// Shows `player` from now on; always announced, even for the same one.
    void setPlayer(PlayerController &player);
    /// What the player is called on screen: its own name, or its browser's.
    QString playerName() const;
    /// Looks the lyrics up again, if they are shown.
    void reload();
    const Clock &clock() const { return m_clock; }
    Scheduler &scheduler() const { return m_scheduler; }
    bool reduceMotion() const;

    /// The pointer is over the card.
    bool hovered() const { return m_hovered; }
    void setHovered(bool value);
    /// Where the card's header buttons are, in the card's coordinates.
    QRectF headerControlsFrame() const { return m_headerControlsFrame; }
    void setHeaderControlsFrame(const QRectF &value);
    /// Where the card draws its click-through button, in the card's
    /// coordinates; the toggle panel floats exactly over it.
    QRectF mouseToggleFrame() const { return m_mouseToggleFrame; }
    void setMouseToggleFrame(const QRectF &value);

signals:
    void playerChanged();
    void reduceMotionChanged();
    void hoveredChanged();
    void headerControlsFrameChanged();
    void mouseToggleFrameChanged();

private:
    LyricsController &m_lyrics;
    QPointer<PlayerController> m_player;
    const Clock &m_clock;
    Scheduler &m_scheduler;
    MotionPreference *m_motion;
    bool m_hovered = false;
    QRectF m_headerControlsFrame;
    QRectF m_mouseToggleFrame;
};
