#pragma once

#include "core/CancelHandle.h"
#include "crest/CrestGeometry.h"
#include "music/MusicController.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class AppUpdateController;
class Clock;
class Compositor;
class CrestPanel;
class CrestState;
class CrestView;
class FileTrayStore;
class GlobalShortcut;
class CrestFileDropDelegate;
class LocalEventMonitor;
class LyricsController;
class LyricsLoader;
class LyricsWindowController;
class LoginItem;
class MenuTracker;
class MotionPreference;
class MusicConnectionDialog;
class NotesStore;
class PointerSource;
class QMessageBox;
class Scheduler;
class ScreenSource;
class SessionSignals;
class SheetTracker;
class Workspace;
class X11DesktopEvents;

/// Creates and owns everything for the life of the process, places the
/// crest, feeds the pointer into its state machine and tears it down at
/// termination. Main thread only.
class AppDelegate final : public QObject
{
    Q_OBJECT

public:
    static constexpr double kPointerInterval = 0.05;
    static constexpr double kPointerTolerance = 0.01;
    static constexpr double kHideDelay = 0.34;
    /// Opens the crest with the cursor in the notes unless `crest.shortcut`
    /// in Velloway.conf names another ("none" turns it off). Super+Alt+N:
    /// the desktops keep Super combinations for themselves and bind none
    /// with Alt+N, so no program's own shortcut is taken away.
    static constexpr char kDefaultShortcut[] = "Meta+Alt+N";

    /// Builds the players for the music controller; none builds one per
    /// player over the bridge that reaches it.
    using PlayersFactory =
        std::function<MusicController::Players(const PlayerController::Services &)>;

    AppDelegate(Clock &clock, Scheduler &scheduler, const PlayersFactory &makePlayers = {},
                QObject *parent = nullptr);
    ~AppDelegate() override;

    /// Process entry: one running copy, the launch sequence, the event loop.
    /// `afterLaunch` (for benchmarks) runs once the launch sequence is done.
    static int runApplication(int argc, char **argv,
                              const std::function<void(AppDelegate &)> &afterLaunch = {});

    void start();
    void stop();
    /// Shows and raises the panel; a later copy of the program asked for it.
    bool showPanelAgain();

    void menuOpened();
    void menuClosed();
    void childInteractionEnded();

    /// Dismisses the crest and shows what the program keeps and sends where,
    /// and its version.
    void showAbout();
    /// The About & Privacy alert while it is shown.
    QMessageBox *aboutAlert() const;

    /// Opens the crest with the cursor in the notes and takes the keyboard:
    /// what the global shortcut does.
    void openNotes();
    /// One line saying why the global shortcut does not work; empty while
    /// it works or is turned off.
    const QString &shortcutNotice() const { return m_shortcutNotice; }

    void positionPanel();
    void setExpanded(bool expanded);
    void setupDismissal();
    void screenChanged();

    CrestState &state() { return *m_state; }
    CrestPanel *panel() const;
    CrestView *view() const;
    bool isMenuTracking() const { return m_isMenuTracking; }
    FileTrayStore &tray() { return *m_tray; }
    NotesStore &notes() { return *m_notes; }
    MusicController &music() { return *m_music; }
    AppUpdateController &updates() { return *m_updates; }
    LyricsController &lyrics() { return *m_lyrics; }
    LyricsWindowController *lyricsWindow() const { return m_lyricsWindow.get(); }

private:
    bool isInteractionActive() const;
    bool isHoverAllowed() const;
    std::optional<bool> pointerInside() const;
    void reportPointer();
    void followPointer(bool inside);
    void wakePointerTimer();
    void handleMouse(bool isPress);
    bool handleEscape();
    void setupEditingMenu();
    void setupShortcut();
    void concealPanel();
    void subscribeToTray();
    void followActivePlayer();
    bool hasAttachedSheet() const;
    QString aboutText() const;

    Clock &m_clock;
    Scheduler &m_scheduler;

    std::unique_ptr<CrestState> m_state;
    std::unique_ptr<FileTrayStore> m_tray;
    std::unique_ptr<NotesStore> m_notes;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<MusicConnectionDialog> m_connectionDialog;
    std::unique_ptr<MusicController> m_music;
    QMetaObject::Connection m_sourceSubscription;
    std::unique_ptr<AppUpdateController> m_updates;
    std::unique_ptr<LyricsLoader> m_lyricsLoader;
    std::unique_ptr<LyricsController> m_lyrics;
    std::unique_ptr<LyricsWindowController> m_lyricsWindow;
    QPointer<CrestPanel> m_panel;
    QPointer<CrestView> m_view;
    std::unique_ptr<X11DesktopEvents> m_globalMouseMonitor;
    std::unique_ptr<LocalEventMonitor> m_localMouseMonitor;
    bool m_isMenuTracking = false;
    QMetaObject::Connection m_traySubscription;
    std::optional<bool> m_trayHasFiles;
    QMetaObject::Connection m_scrubSubscription;
    QMetaObject::Connection m_volumeSubscription;
    std::optional<CrestGeometry> m_geometry;
    CancelHandle m_pointerTimer;
    CancelHandle m_hideTask;

    std::unique_ptr<ScreenSource> m_screens;
    std::unique_ptr<PointerSource> m_pointer;
    std::unique_ptr<MotionPreference> m_motion;
    std::unique_ptr<Compositor> m_compositor;
    std::unique_ptr<MenuTracker> m_menus;
    std::unique_ptr<SheetTracker> m_sheets;
    std::unique_ptr<SessionSignals> m_session;
    std::unique_ptr<CrestFileDropDelegate> m_dropDelegate;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<GlobalShortcut> m_shortcut;
    QString m_shortcutNotice;
    QPointer<QMessageBox> m_aboutAlert;
    bool m_hasTerminated = false;
};
