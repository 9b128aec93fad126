#pragma once

#include "core/CancelHandle.h"
#include "lyrics/window/LyricsPresentation.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

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
/// timing. The card in the panel is built on its presentation. Lives for
/// the whole run; main thread only.
class LyricsWindowController final : public QObject
{
    Q_OBJECT
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

    /// Reads the stored opacity and binds `player`. No window exists until
    /// the lyrics are first shown.
    LyricsWindowController(LyricsController &lyrics, PlayerController &player, Services services,
                           QObject *parent = nullptr);
    ~LyricsWindowController() override;

    /// Show, hide or flip the floating lyrics; the same as switching the
    /// lyrics controller's visibility.
    void show();
    void hide();
    void toggle();
    /// Whether the panel is on screen.
    bool isVisible() const;

    /// Follows `player` from now on, dropping the previous player's bindings.
    void bindPlayback(PlayerController &player);
    /// Keeps the panel on a screen after displays changed.
    void screenChanged();

    /// What the card shows and reports back.
    LyricsPresentation &presentation() { return m_presentation; }

    /// The windows, once created (for tests and the end-to-end checks).
    FloatingLyricsPanel *panel() const { return m_panel.get(); }
    FloatingLyricsPanel *mouseTogglePanel() const { return m_mouseTogglePanel.get(); }

signals:
    void isVisibleChanged(bool visible);

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
    QPointer<PlayerController> m_player;
    Services m_services;
    LyricsPresentation m_presentation;
    QList<QMetaObject::Connection> m_playbackSubscriptions;
    quint64 m_binding = 0;
    std::unique_ptr<FloatingLyricsPanel> m_panel;
    std::unique_ptr<FloatingLyricsPanel> m_mouseTogglePanel;
    bool m_wasVisible = false;
    CancelHandle m_originSave;
};
