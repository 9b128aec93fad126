#pragma once

#include "core/CancelHandle.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRectF>

#include <memory>

class Clock;
class FloatingLyricsPanel;
class LyricsController;
class MotionPreference;
class Scheduler;
class ScreenSource;
class Settings;
class PlayerController;

/// Shows the floating lyrics in a panel of their own while the lyrics
/// controller is visible, keeps the panel where the user put it (across
/// launches) and on a screen, applies the chosen opacity and click-through,
/// and feeds the lyrics controller with the bound player's track and
/// timing. Lives for the whole run; main thread only.
class LyricsWindowController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)
    Q_PROPERTY(QRectF headerControlsFrame READ headerControlsFrame WRITE setHeaderControlsFrame
                   NOTIFY headerControlsFrameChanged)
    Q_PROPERTY(bool isVisible READ isVisible NOTIFY isVisibleChanged)

public:
    static constexpr char kOriginKey[] = "lyrics.origin";
    static constexpr char kOpacityKey[] = "lyrics.opacity";

    struct Services
    {
        /// Where the panel's origin and opacity persist.
        Settings &defaults;
        ScreenSource &screens;
        const Clock &clock;
        Scheduler &scheduler;
        /// The desktop's reduce-motion setting; none: motion is never reduced.
        MotionPreference *motion = nullptr;
    };

    /// Reads the stored opacity and binds `spotify`. No window exists until
    /// the lyrics are first shown.
    LyricsWindowController(LyricsController &lyrics, PlayerController &spotify, Services services,
                           QObject *parent = nullptr);
    ~LyricsWindowController() override;

    /// Show, hide or flip the floating lyrics; the same as switching the
    /// lyrics controller's visibility.
    void show();
    void hide();
    void toggle();
    /// Whether the panel is on screen.
    bool isVisible() const;

    /// Follows `spotify` from now on, dropping the previous player's bindings.
    void bindPlayback(PlayerController &spotify);
    /// Keeps the panel on a screen after displays changed.
    void screenChanged();

    /// The pointer is over the lyrics view.
    bool hovered() const { return m_hovered; }
    void setHovered(bool value);
    /// Where the view's header buttons are, in the view's coordinates.
    QRectF headerControlsFrame() const { return m_headerControlsFrame; }
    void setHeaderControlsFrame(const QRectF &value);
    /// Where the view draws its click-through button, in the view's
    /// coordinates; the toggle panel floats exactly over it.
    QRectF mouseToggleFrame() const { return m_mouseToggleFrame; }
    void setMouseToggleFrame(const QRectF &value);

    LyricsController &lyrics() const { return m_lyrics; }
    PlayerController &spotify() const;
    const Clock &clock() const { return m_services.clock; }
    Scheduler &scheduler() const { return m_services.scheduler; }
    bool reduceMotion() const;

    /// The windows, once created (for tests and the end-to-end checks).
    FloatingLyricsPanel *panel() const { return m_panel.get(); }
    FloatingLyricsPanel *mouseTogglePanel() const { return m_mouseTogglePanel.get(); }

signals:
    void hoveredChanged();
    void headerControlsFrameChanged();
    void isVisibleChanged(bool visible);
    /// `spotify()` is another player now.
    void spotifyChanged();
    void reduceMotionChanged();

private:
    void present();
    void conceal();
    void positionInitially();
    void windowDidMove();
    void saveOrigin();
    void applyClickThrough();
    void applyOpacity();
    void updateMouseToggleWindow();
    void followTrack();
    void samplePlayback();
    void announceVisibility();

    LyricsController &m_lyrics;
    QPointer<PlayerController> m_spotify;
    Services m_services;
    QList<QMetaObject::Connection> m_playbackSubscriptions;
    quint64 m_binding = 0;
    std::unique_ptr<FloatingLyricsPanel> m_panel;
    std::unique_ptr<FloatingLyricsPanel> m_mouseTogglePanel;
    bool m_hovered = false;
    QRectF m_headerControlsFrame;
    QRectF m_mouseToggleFrame;
    bool m_wasVisible = false;
    CancelHandle m_originSave;
};
