#pragma once

#include "music/MusicController.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class AboutDialog;
class AppUpdateController;
class ApplicationMenu;
class Clock;
class Compositor;
class CrestFileDropDelegate;
class CrestPanel;
class CrestPlacer;
class CrestPointerTracker;
class CrestState;
class CrestView;
class FileTrayStore;
class InteractionWatch;
class LocalEventMonitor;
class LyricsController;
class LyricsLoader;
class LyricsWindowController;
class LoginItem;
class MotionPreference;
class MusicConnectionDialog;
class NotesShortcut;
class NotesStore;
class PointerSource;
class QMessageBox;
class Scheduler;
class ScreenSource;
class SessionSignals;
class Workspace;
class X11DesktopEvents;

/// Creates and connects everything for the life of the process, and tears
/// it down at termination. Main thread only.
class AppDelegate final : public QObject
{
    Q_OBJECT

public:
    /// Builds the players for the music controller; none builds one per
    /// player over the bridge that reaches it.
    using PlayersFactory =
        std::function<MusicController::Players(const PlayerController::Services &)>;

    AppDelegate(Clock &clock, Scheduler &scheduler, const PlayersFactory &makePlayers = {},
                QObject *parent = nullptr);
    ~AppDelegate() override;

    void start();
    void stop();
    /// Shows and raises the panel; a later copy of the program asked for it.
    bool showPanelAgain();

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
    QString shortcutNotice() const;

    void setExpanded(bool expanded);

    CrestState &state() { return *m_state; }
    CrestPanel *panel() const;
    CrestView *view() const;
    bool isMenuTracking() const;
    FileTrayStore &tray() { return *m_tray; }
    NotesStore &notes() { return *m_notes; }
    MusicController &music() { return *m_music; }
    AppUpdateController &updates() { return *m_updates; }
    LyricsController &lyrics() { return *m_lyrics; }
    LyricsWindowController *lyricsWindow() const { return m_lyricsWindow.get(); }

private:
    void setupDismissal();
    void screenChanged();
    void subscribeToTray();

    Clock &m_clock;
    Scheduler &m_scheduler;

    std::unique_ptr<CrestState> m_state;
    std::unique_ptr<FileTrayStore> m_tray;
    std::unique_ptr<NotesStore> m_notes;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<MusicConnectionDialog> m_connectionDialog;
    std::unique_ptr<MusicController> m_music;
    std::unique_ptr<AppUpdateController> m_updates;
    std::unique_ptr<LyricsLoader> m_lyricsLoader;
    std::unique_ptr<LyricsController> m_lyrics;
    std::unique_ptr<LyricsWindowController> m_lyricsWindow;
    QPointer<CrestPanel> m_panel;
    QPointer<CrestView> m_view;
    std::unique_ptr<CrestPlacer> m_placer;
    std::unique_ptr<CrestPointerTracker> m_pointerTracker;
    std::unique_ptr<X11DesktopEvents> m_globalMouseMonitor;
    std::unique_ptr<LocalEventMonitor> m_localMouseMonitor;
    QMetaObject::Connection m_traySubscription;
    std::optional<bool> m_trayHasFiles;

    std::unique_ptr<ScreenSource> m_screens;
    std::unique_ptr<PointerSource> m_pointer;
    std::unique_ptr<MotionPreference> m_motion;
    std::unique_ptr<Compositor> m_compositor;
    std::unique_ptr<InteractionWatch> m_interactions;
    std::unique_ptr<SessionSignals> m_session;
    std::unique_ptr<CrestFileDropDelegate> m_dropDelegate;
    std::unique_ptr<LoginItem> m_loginItem;
    std::unique_ptr<ApplicationMenu> m_applicationMenu;
    std::unique_ptr<NotesShortcut> m_shortcut;
    std::unique_ptr<AboutDialog> m_about;
    bool m_hasTerminated = false;
};
