#include "app/AppDelegate.h"

#include "app/GraphicalSession.h"
#include "app/MenuTracker.h"
#include "app/SheetTracker.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "crest/CrestFileDropDelegate.h"
#include "crest/CrestPanel.h"
#include "crest/CrestState.h"
#include "crest/CrestView.h"
#include "lyrics/LyricsController.h"
#include "lyrics/LyricsLoader.h"
#include "lyrics/LyricsWindowController.h"
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
#include "platform/desktop/SingleInstance.h"
#include "platform/desktop/X11DesktopEvents.h"
#include "platform/shortcuts/DesktopGlobalShortcut.h"
#include "platform/storage/IniSettings.h"
#include "platform/storage/LocalFileStorage.h"
#include "players/browser/BrowserMusicBridge.h"
#include "players/model/VolumeController.h"
#include "tray/FileTrayStore.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayView.h"
#include "ui/CrestMenu.h"
#include "updates/AppUpdateController.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>

namespace {

using namespace Qt::StringLiterals;

/// Calls `ended` whenever `value` of `object` turns false, on the main
/// queue, skipping the value it has now and repeats of the same value.
template <typename Object>
QMetaObject::Connection whenTurnsFalse(Object &object, void (Object::*changed)(),
                                       bool (Object::*value)() const, QObject *context,
                                       std::function<void()> ended)
{
    auto last = std::make_shared<bool>((object.*value)());
    return QObject::connect(
        &object, changed, context,
        [&object, value, last, ended = std::move(ended)] {
            const bool now = (object.*value)();
            if (std::exchange(*last, now) != now && !now)
                ended();
        },
        Qt::QueuedConnection);
}

} // namespace

AppDelegate::AppDelegate(Clock &clock, Scheduler &scheduler, const PlayersFactory &makePlayers,
                         QObject *parent)
    : QObject(parent), m_clock(clock), m_scheduler(scheduler),
      m_state(std::make_unique<CrestState>(scheduler)), m_tray(std::make_unique<FileTrayStore>()),
      m_notes(std::make_unique<NotesStore>(QString(), &clock, &scheduler)),
      m_workspace(std::make_unique<DesktopWorkspace>(scheduler)),
      m_connectionDialog(std::make_unique<MusicConnectionDialog>())
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
    delete m_aboutAlert;
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

int AppDelegate::runApplication(int argc, char **argv,
                                const std::function<void(AppDelegate &)> &afterLaunch)
{
    // Global pointer queries, window shapes and workspace hints need X11;
    // under Wayland the program runs through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (const auto reason = GraphicalSession::unavailable()) {
        std::fprintf(stderr, "%s\n", qPrintable(*reason));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velloway"));
    QApplication::setOrganizationName(QStringLiteral("Velloway"));
    QApplication::setApplicationVersion(QStringLiteral(VELLOWAY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velloway"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Without a desktop session the icon theme is bare hicolor.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    SingleInstance instance;
    if (instance.acquire() == SingleInstance::Result::HeldByAnother) {
        instance.askRunningCopyToReopen();
        return 0;
    }

    AppDelegate delegate(SystemClock::shared(), TimerScheduler::shared());
    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate,
                     &AppDelegate::showPanelAgain);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::stop);
    delegate.start();
    if (afterLaunch)
        afterLaunch(delegate);
    return QApplication::exec();
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

    QPointer<AppDelegate> self(this);
    m_state->expand = [self] {
        if (self)
            self->setExpanded(true);
    };
    m_state->collapse = [self] {
        if (self)
            self->setExpanded(false);
    };
    m_state->containsPointer = [self] { return self && self->pointerInside().value_or(false); };
    m_state->isInteractionActive = [self] { return self && self->isInteractionActive(); };
    m_state->isHoverAllowed = [self] { return self && self->isHoverAllowed(); };

    m_panel = new CrestPanel;
    m_lyricsWindow = std::make_unique<LyricsWindowController>(
        *m_lyrics, m_music->active(),
        LyricsWindowController::Services{IniSettings::shared(), *m_screens, m_clock, m_scheduler,
                                         m_motion.get()});
    m_sourceSubscription = connect(m_music.get(), &MusicController::activeChanged, this,
                                   &AppDelegate::followActivePlayer);
    followActivePlayer();
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
    m_dropDelegate = std::make_unique<CrestFileDropDelegate>(*m_state, *m_tray);
    m_view->setDropTarget(m_dropDelegate.get());

    positionPanel();
    m_panel->showAndRaise();
    setupEditingMenu();
    setupDismissal();
    setupShortcut();

    connect(m_screens.get(), &ScreenSource::screensChanged, this, &AppDelegate::screenChanged);
    m_menus = std::make_unique<MenuTracker>();
    connect(m_menus.get(), &MenuTracker::menuOpened, this, &AppDelegate::menuOpened);
    connect(m_menus.get(), &MenuTracker::menuClosed, this, &AppDelegate::menuClosed);
    m_menus->start();
    // After the sheet is gone, so that it no longer holds the crest open.
    m_sheets = std::make_unique<SheetTracker>(*m_panel);
    connect(m_sheets.get(), &SheetTracker::sheetEnded, this, &AppDelegate::childInteractionEnded,
            Qt::QueuedConnection);
    m_sheets->start();
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

void AppDelegate::followActivePlayer()
{
    PlayerController &active = m_music->active();
    m_lyricsWindow->bindPlayback(active);
    const auto ended = [self = QPointer(this)] {
        if (self)
            self->m_state->interactionEnded();
    };
    QObject::disconnect(m_scrubSubscription);
    m_scrubSubscription = whenTurnsFalse(active, &PlayerController::isScrubbingChanged,
                                         &PlayerController::isScrubbing, this, ended);
    QObject::disconnect(m_volumeSubscription);
    m_volumeSubscription = whenTurnsFalse(active.volume(), &VolumeController::isDraggingChanged,
                                          &VolumeController::isDragging, this, ended);
}

void AppDelegate::stop()
{
    if (m_hasTerminated)
        return;
    m_hasTerminated = true;
    m_notes->saveBeforeQuit();
    m_lyrics->setVisible(false);
    m_music->stop();
    m_pointerTimer.cancel();
    m_hideTask.cancel();
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

void AppDelegate::menuOpened()
{
    m_isMenuTracking = true;
}

void AppDelegate::menuClosed()
{
    m_isMenuTracking = false;
    m_state->interactionEnded();
}

void AppDelegate::childInteractionEnded()
{
    m_state->interactionEnded();
}

bool AppDelegate::isInteractionActive() const
{
    const PlayerController &active = m_music->active();
    return m_tray->hasPreviewItem() || m_tray->isPickerPresented() ||
           (m_view && m_view->trayView()->isPreviewOpen()) || active.isScrubbing() ||
           active.volume().isDragging() || m_notes->pendingDeletionID().has_value() ||
           m_isMenuTracking || m_updates->setupMessage().has_value() || hasAttachedSheet() ||
           QApplication::activeModalWidget() != nullptr;
}

bool AppDelegate::hasAttachedSheet() const
{
    if (!m_panel)
        return false;
    const auto dialogs = m_panel->findChildren<QDialog *>();
    return std::any_of(dialogs.begin(), dialogs.end(),
                       [](const QDialog *dialog) { return dialog->isVisible(); });
}

QMessageBox *AppDelegate::aboutAlert() const
{
    return m_aboutAlert;
}

void AppDelegate::showAbout()
{
    m_state->dismiss();
    if (!m_aboutAlert) {
        m_aboutAlert = new QMessageBox;
        m_aboutAlert->setAttribute(Qt::WA_DeleteOnClose);
        // While it is open the program has a modal window, which keeps the
        // crest from being dismissed underneath it.
        m_aboutAlert->setWindowModality(Qt::ApplicationModal);
        m_aboutAlert->setWindowTitle(u"Velloway"_s);
        m_aboutAlert->setText(u"Velloway"_s);
        m_aboutAlert->setInformativeText(
            m_shortcutNotice.isEmpty() ? aboutText() : aboutText() + u"\n\n"_s + m_shortcutNotice);
        m_aboutAlert->addButton(u"Done"_s, QMessageBox::AcceptRole);
    }
    m_aboutAlert->show();
    m_aboutAlert->raise();
    m_aboutAlert->activateWindow();
}

QString AppDelegate::aboutText() const
{
    const QString version = QCoreApplication::applicationVersion();
    return u"Your notes and file references stay in this computer’s Velloway data folder. "
           u"Removing tray items never deletes the originals.\n\n"
           u"Spotify is read and controlled over the local session bus. "
           u"YouTube Music and Apple Music are read through Velloway’s browser extension, "
           u"which sees only their tabs (music.youtube.com and music.apple.com), after you "
           u"connect them; no other page content is read. "
           u"Pear uses its API Server on 127.0.0.1:26538, with its token in your keyring. "
           u"Spotify covers are downloaded from Spotify’s image host i.scdn.co; YouTube covers "
           u"use approved Google/YouTube image hosts (googleusercontent.com, ggpht.com, "
           u"i.ytimg.com). "
           u"Apple Music covers come from Apple’s artwork servers (mzstatic.com), through the "
           u"web player. "
           u"While floating lyrics are open, song title, artist, album and duration are sent "
           u"to "_s +
           m_lyricsLoader->origin().host() +
           u". These requests use no account, cookies, analytics or disk cache. "
           u"The service receives your IP address. Hide lyrics to stop lookups."_s +
           // A configured build would name its updater here; no update driver
           // exists on this system, so such a build says nothing about updates.
           (m_updates->isConfigured()
                ? QString()
                : u"\n\nThis local build has no active update connection."_s) +
           u"\n\nHover over the notch to open. Move away to collapse. Escape closes it.\n\n"
           u"Version "_s +
           (version.isEmpty() ? u"Unknown"_s : version);
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

bool AppDelegate::isHoverAllowed() const
{
    using Modifier = PointerSource::Modifier;
    const auto held = m_pointer->modifiers();
    return !(held & (Modifier::Control | Modifier::Option | Modifier::Command));
}

std::optional<bool> AppDelegate::pointerInside() const
{
    if (!m_geometry)
        return std::nullopt;
    return m_geometry->containsPointer(m_pointer->globalPosition(), m_state->isExpanded());
}

void AppDelegate::positionPanel()
{
    // "workarea" (the default) hangs the crest below a top panel; "screen"
    // keeps it at the screen's very top edge.
    const auto placement = CrestGeometry::placementNamed(
        IniSettings::shared().value(QStringLiteral("crest.placement")).toString());
    const auto measured =
        CrestGeometry::measure(m_screens->screens(), m_screens->primaryIndex(), placement);
    if (!measured)
        return;
    m_state->setNotchWidth(measured->notchWidth);
    m_state->setTopHeight(measured->topHeight);
    m_geometry = CrestGeometry{measured->screenFrame, measured->notchWidth, m_state->topHeight()};

    const QRect frame = m_geometry->panelRect().toAlignedRect();
    m_panel->setFrame(frame);
    m_panel->setNotchRect(m_geometry->notchRect().toAlignedRect().translated(-frame.topLeft()));
    m_panel->update();
}

void AppDelegate::setExpanded(bool expanded)
{
    if (expanded == m_state->isExpanded() || !m_panel)
        return;
    if (!expanded)
        m_notes->flush(); // a pending edit is written before the crest closes
    m_hideTask.cancel();
    if (expanded) {
        wakePointerTimer();
        m_panel->setAcceptsMouse(true);
        m_panel->showAndRaise();
        m_state->setExpanded(true);
        m_music->refreshForPresentation();
        return;
    }
    m_panel->giveBackKeyboard();
    m_panel->setAcceptsMouse(false);
    m_state->setExpanded(false);
    m_state->restoreDefaultView();
    if (m_motion->reduceMotion()) {
        concealPanel();
        return;
    }
    // Until then the crest animates its collapse, already click-through.
    m_hideTask = m_scheduler.after(Seconds(kHideDelay), [self = QPointer(this)] {
        if (!self)
            return;
        self->m_hideTask.release();
        if (!self->m_state->isExpanded())
            self->concealPanel();
    });
}

void AppDelegate::concealPanel()
{
    // A Linux screen has no notch to hide behind: fully collapsed, the crest
    // draws it, so "transparent" means exactly the notch is left.
    if (m_view)
        m_view->finishCollapse();
}

void AppDelegate::handleMouse(bool isPress)
{
    const auto inside = pointerInside();
    if (!inside)
        return;
    // Only a click into the notes takes the keyboard (the view asks for it).
    if (isPress)
        m_state->pointerPressed(*inside);
    m_state->pointerChanged(*inside);
    followPointer(*inside);
}

void AppDelegate::reportPointer()
{
    const auto inside = pointerInside();
    if (inside)
        m_state->pointerChanged(*inside);
    followPointer(inside.value_or(false));
}

void AppDelegate::followPointer(bool inside)
{
    // Collapsed with the pointer away from the notch, every tick would report
    // what the state machine already knows: the timer sleeps until the pointer
    // enters the notch, the only part of the panel that then takes input.
    if (inside || m_state->isExpanded())
        wakePointerTimer();
    else
        m_pointerTimer.cancel();
}

void AppDelegate::wakePointerTimer()
{
    if (m_pointerTimer || m_hasTerminated)
        return;
    m_pointerTimer = m_scheduler.every(Seconds(kPointerInterval), Seconds(kPointerTolerance),
                                       [this] { reportPointer(); });
}

bool AppDelegate::handleEscape()
{
    return m_state->isExpanded() && m_state->handleEscape();
}

void AppDelegate::setupDismissal()
{
    m_globalMouseMonitor = std::make_unique<X11DesktopEvents>();
    connect(m_globalMouseMonitor.get(), &X11DesktopEvents::mousePressed, this,
            [this] { handleMouse(true); });
    connect(m_globalMouseMonitor.get(), &X11DesktopEvents::workspaceChanged, this,
            &AppDelegate::screenChanged);
    m_globalMouseMonitor->start();

    wakePointerTimer();
    // Reported at once, as a tick would, with the modifiers held right now.
    connect(m_panel, &CrestPanel::pointerEntered, this, [this] {
        wakePointerTimer();
        reportPointer();
    });

    m_localMouseMonitor = std::make_unique<LocalEventMonitor>();
    m_localMouseMonitor->escapePressed = [self = QPointer(this)] {
        return self && self->handleEscape();
    };
    connect(m_localMouseMonitor.get(), &LocalEventMonitor::mouseEvent, this,
            &AppDelegate::handleMouse);
    m_localMouseMonitor->start();
}

void AppDelegate::setupShortcut()
{
    const QVariant setting = IniSettings::shared().value(QStringLiteral("crest.shortcut"));
    const QString name =
        setting.isValid() ? setting.toString().trimmed() : QString::fromLatin1(kDefaultShortcut);
    if (name.isEmpty() || name.compare(u"none"_s, Qt::CaseInsensitive) == 0)
        return;
    const auto report = [self = QPointer(this), name](const QString &reason) {
        if (!self)
            return;
        // Hover still opens the crest; the person learns why the key does not.
        self->m_shortcutNotice = u"The shortcut "_s + name + u" does not open Velloway: "_s +
                                 reason + u". Set another as crest.shortcut in Velloway.conf."_s;
        std::fprintf(stderr, "%s\n", qPrintable(self->m_shortcutNotice));
    };
    const QKeySequence trigger = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (trigger.count() != 1 || trigger[0].key() == Qt::Key_unknown) {
        report(u"it is not a key combination"_s);
        return;
    }
    m_shortcut = std::make_unique<DesktopGlobalShortcut>();
    connect(m_shortcut.get(), &GlobalShortcut::activated, this, &AppDelegate::openNotes);
    connect(m_shortcut.get(), &GlobalShortcut::failed, this, report);
    m_shortcut->start(trigger);
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
    positionPanel();
    m_panel->showAndRaise();
    m_lyricsWindow->screenChanged();
    reportPointer();
}

void AppDelegate::setupEditingMenu()
{
    // There is no global menu bar to hang an application menu on; its
    // commands live as shortcuts. The text-editing commands come with the
    // text widgets themselves.
    auto *quit = new QAction(QStringLiteral("Quit Velloway"), m_panel);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit);
    m_panel->addAction(quit);
}
