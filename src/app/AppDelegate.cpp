#include "app/AppDelegate.h"

#include "app/AboutDialog.h"
#include "app/AboutText.h"
#include "app/ApplicationMenu.h"
#include "app/InteractionWatch.h"
#include "app/NotesShortcut.h"
#include "crest/CrestFileDropDelegate.h"
#include "crest/CrestPanel.h"
#include "crest/CrestPlacer.h"
#include "crest/CrestPointerTracker.h"
#include "crest/CrestState.h"
#include "crest/CrestView.h"
#include "lyrics/LyricsController.h"
#include "lyrics/LyricsLoader.h"
#include "lyrics/window/LyricsWindowController.h"
#include "notes/NotesStore.h"
#include "nowplaying/MusicConnectionDialog.h"
#include "platform/compositor/X11Compositor.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "platform/desktop/AutostartLoginItem.h"
#include "platform/desktop/DesktopWorkspace.h"
#include "platform/desktop/LocalEventMonitor.h"
#include "platform/desktop/MotionPreference.h"
#include "platform/desktop/QtPointerSource.h"
#include "platform/desktop/QtScreenSource.h"
#include "platform/desktop/SessionSignals.h"
#include "platform/desktop/X11DesktopEvents.h"
#include "platform/storage/IniSettings.h"
#include "platform/storage/LocalFileStorage.h"
#include "players/browser/BrowserMusicBridge.h"
#include "tray/FileTrayStore.h"
#include "ui/CrestMenu.h"
#include "updates/AppUpdateController.h"

#include <QCoreApplication>

AppDelegate::AppDelegate(Clock &clock, Scheduler &scheduler, const PlayersFactory &makePlayers,
                         QObject *parent)
    : QObject(parent), m_clock(clock), m_scheduler(scheduler),
      m_state(std::make_unique<CrestState>(scheduler)), m_tray(std::make_unique<FileTrayStore>()),
      m_notes(std::make_unique<NotesStore>(QString(), &clock, &scheduler)),
      m_workspace(std::make_unique<DesktopWorkspace>(scheduler)),
      m_connectionDialog(std::make_unique<MusicConnectionDialog>()),
      m_shortcut(std::make_unique<NotesShortcut>()), m_about(std::make_unique<AboutDialog>())
{
    const PlayerController::Services services{scheduler, clock, *m_workspace};
    m_music = std::make_unique<MusicController>(IniSettings::shared(), services,
                                                makePlayers ? std::optional(makePlayers(services))
                                                            : std::nullopt,
                                                m_connectionDialog.get());
    if (!makePlayers) {
        m_music->followOtherPlayers(MprisServiceDirectory::shared(), QDBusConnection::sessionBus());
        BrowserMusicBridge::installForUser();
    }
    m_updates = std::make_unique<AppUpdateController>();
    m_lyricsLoader = std::make_unique<LyricsLoader>();
    m_lyrics = std::make_unique<LyricsController>(*m_lyricsLoader, &scheduler, &clock);
}

AppDelegate::~AppDelegate()
{
    stop();
    CrestMenu::setCompositor(nullptr);
    m_about.reset();
    delete m_panel;
    m_lyricsWindow.reset(); // before the screens it follows
}

CrestPanel *AppDelegate::panel() const
{
    return m_panel;
}

CrestView *AppDelegate::view() const
{
    return m_view;
}

void AppDelegate::start()
{
    m_tray->start();
    subscribeToTray();

    m_screens = std::make_unique<QtScreenSource>();
    m_pointer = std::make_unique<QtPointerSource>();
    m_motion = std::make_unique<MotionPreference>();
    m_motion->refresh();
    m_compositor = std::make_unique<X11Compositor>();
    CrestMenu::setCompositor(m_compositor.get());

    m_panel = new CrestPanel;
    QPointer<AppDelegate> self(this);
    m_placer = std::make_unique<CrestPlacer>(
        *m_state, *m_panel, *m_screens, IniSettings::shared(), m_scheduler,
        [self] { return self && self->m_motion->reduceMotion(); });
    connect(m_placer.get(), &CrestPlacer::collapsing, m_notes.get(), &NotesStore::flush);
    connect(m_placer.get(), &CrestPlacer::expanded, m_music.get(),
            &MusicController::refreshForPresentation);
    m_pointerTracker =
        std::make_unique<CrestPointerTracker>(*m_state, *m_placer, *m_pointer, m_scheduler);
    QPointer<CrestPlacer> placer(m_placer.get());
    m_state->expand = [placer] {
        if (placer)
            placer->setExpanded(true);
    };
    m_state->collapse = [placer] {
        if (placer)
            placer->setExpanded(false);
    };
    QPointer<CrestPointerTracker> pointer(m_pointerTracker.get());
    m_state->containsPointer = [pointer] {
        return pointer && pointer->pointerInside().value_or(false);
    };
    m_interactions = std::make_unique<InteractionWatch>(
        InteractionWatch::Sources{*m_tray, *m_notes, *m_music, *m_updates, *m_panel});
    connect(m_interactions.get(), &InteractionWatch::ended, m_state.get(),
            &CrestState::interactionEnded);
    QPointer<InteractionWatch> interactions(m_interactions.get());
    m_state->isInteractionActive = [interactions] {
        return interactions && interactions->isActive();
    };
    m_state->isHoverAllowed = [pointer] { return pointer && pointer->isHoverAllowed(); };

    m_lyricsWindow = std::make_unique<LyricsWindowController>(
        *m_lyrics, m_music->active(),
        LyricsWindowController::Services{IniSettings::shared(), *m_screens, m_clock, m_scheduler,
                                         m_motion.get()});
    m_lyricsWindow->bindPlayback(m_music->active());
    connect(m_music.get(), &MusicController::activeChanged, this,
            [this] { m_lyricsWindow->bindPlayback(m_music->active()); });
    m_view = new CrestView(
        {*m_state, *m_tray, *m_notes, *m_music, *m_updates, *m_lyrics, *m_workspace}, m_clock,
        m_scheduler, [self] { return self && self->m_motion->reduceMotion(); });
    m_view->showAbout = [self] {
        if (self)
            self->showAbout();
    };
    m_loginItem = std::make_unique<AutostartLoginItem>(LocalFileStorage::shared());
    m_view->isOpenAtLogin = [self] { return self && self->m_loginItem->isEnabled(); };
    m_view->setOpenAtLogin = [self](bool on) {
        if (self)
            self->m_loginItem->setEnabled(on);
    };
    m_panel->setContentView(m_view);
    connect(m_placer.get(), &CrestPlacer::collapseFinished, m_view, &CrestView::finishCollapse);
    m_dropDelegate = std::make_unique<CrestFileDropDelegate>(*m_state, *m_tray);
    m_view->setDropTarget(m_dropDelegate.get());

    m_placer->place();
    m_panel->showAndRaise();
    m_applicationMenu = std::make_unique<ApplicationMenu>(*m_panel);
    setupDismissal();
    connect(m_shortcut.get(), &NotesShortcut::activated, this, &AppDelegate::openNotes);
    m_shortcut->start(IniSettings::shared());

    connect(m_screens.get(), &ScreenSource::screensChanged, this, &AppDelegate::screenChanged);
    m_interactions->start();
    m_session = std::make_unique<SessionSignals>();
    connect(m_session.get(), &SessionSignals::woke, this, &AppDelegate::screenChanged);
    connect(m_session.get(), &SessionSignals::terminationRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    m_session->start();

    m_music->start();
    QPointer<NotesStore> notes(m_notes.get());
    m_updates->willPresentUpdate = [notes, self] {
        if (notes)
            notes->flush();
        if (self)
            self->m_state->dismiss();
    };
    m_updates->willInstallUpdate = [notes] {
        if (notes)
            notes->saveBeforeQuit();
    };
    m_updates->start();
}

void AppDelegate::stop()
{
    if (m_hasTerminated)
        return;
    m_hasTerminated = true;
    m_notes->saveBeforeQuit();
    m_lyrics->setVisible(false);
    m_music->stop();
    if (m_pointerTracker)
        m_pointerTracker->stop();
    if (m_placer)
        m_placer->stop();
    if (m_globalMouseMonitor)
        m_globalMouseMonitor->stop();
    if (m_localMouseMonitor)
        m_localMouseMonitor->stop();
    m_globalMouseMonitor.reset();
    m_localMouseMonitor.reset();
}

bool AppDelegate::showPanelAgain()
{
    if (m_panel)
        m_panel->showAndRaise();
    return true;
}

bool AppDelegate::isMenuTracking() const
{
    return m_interactions && m_interactions->isMenuTracking();
}

QMessageBox *AppDelegate::aboutAlert() const
{
    return m_about->alert();
}

void AppDelegate::showAbout()
{
    m_state->dismiss();
    m_about->show(
        AboutText::compose({m_lyricsLoader->origin().host(), m_updates->isConfigured(),
                            QCoreApplication::applicationVersion(), m_shortcut->notice()}));
}

QString AppDelegate::shortcutNotice() const
{
    return m_shortcut->notice();
}

void AppDelegate::subscribeToTray()
{
    // Publishes whether the tray holds files: now, then on every change of
    // that answer.
    const auto publish = [this] {
        const bool hasFiles = !m_tray->items().isEmpty();
        if (m_trayHasFiles == hasFiles)
            return;
        m_trayHasFiles = hasFiles;
        m_state->setTrayHasFiles(hasFiles);
    };
    QObject::disconnect(m_traySubscription);
    m_traySubscription = connect(m_tray.get(), &FileTrayStore::itemsChanged, this, publish);
    publish();
}

void AppDelegate::setExpanded(bool expanded)
{
    if (m_placer)
        m_placer->setExpanded(expanded);
}

void AppDelegate::setupDismissal()
{
    CrestPointerTracker *pointer = m_pointerTracker.get();
    m_globalMouseMonitor = std::make_unique<X11DesktopEvents>();
    connect(m_globalMouseMonitor.get(), &X11DesktopEvents::mousePressed, pointer,
            [pointer] { pointer->mouseEvent(true); });
    connect(m_globalMouseMonitor.get(), &X11DesktopEvents::workspaceChanged, this,
            &AppDelegate::screenChanged);
    m_globalMouseMonitor->start();

    pointer->start();
    connect(m_panel, &CrestPanel::pointerEntered, pointer, &CrestPointerTracker::pointerEntered);

    m_localMouseMonitor = std::make_unique<LocalEventMonitor>();
    m_localMouseMonitor->escapePressed = [state = m_state.get()] {
        return state->isExpanded() && state->handleEscape();
    };
    connect(m_localMouseMonitor.get(), &LocalEventMonitor::mouseEvent, pointer,
            &CrestPointerTracker::mouseEvent);
    m_localMouseMonitor->start();
}

void AppDelegate::openNotes()
{
    if (!m_panel || !m_view || m_hasTerminated)
        return;
    m_state->openForTyping();
    m_view->focusNotes();
}

void AppDelegate::screenChanged()
{
    if (!m_panel)
        return;
    m_placer->place();
    m_panel->showAndRaise();
    m_lyricsWindow->screenChanged();
    m_pointerTracker->report();
}
