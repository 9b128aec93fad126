#include "crest/CrestView.h"

#include "core/Clock.h"
#include "core/Scheduler.h"
#include "crest/CrestOutline.h"
#include "crest/CrestState.h"
#include "lyrics/LyricsController.h"
#include "music/MusicController.h"
#include "notes/NotesStore.h"
#include "notes/view/NotesView.h"
#include "nowplaying/NowPlayingView.h"
#include "tray/FileTrayStore.h"
#include "tray/view/TrayFileDialog.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayView.h"
#include "ui/CrestDropTarget.h"
#include "ui/CrestMenu.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"
#include "updates/AppUpdateController.h"
#include "updates/view/UpdateAvailableButton.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

using namespace Qt::StringLiterals;

constexpr double kFrameInterval = 1.0 / 60;
constexpr double kExpandFade = 0.2;
constexpr double kCollapseFade = 0.12;
constexpr double kLayoutFade = 0.15;
/// Collapsed, the content sits this far up as it fades.
constexpr double kCollapsedOffset = -6;
constexpr double kCapRadius = 12;
constexpr double kDropRadius = 24;
constexpr double kDropOpacity = 0.65;

double easeOut(double t)
{
    return 1 - (1 - t) * (1 - t);
}

double easeInOut(double t)
{
    return t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
}

void followReduceMotion(QWidget *root, bool reduce)
{
    for (CrestPressButton *button : root->findChildren<CrestPressButton *>())
        button->setReduceMotion(reduce);
}

/// Fades `widget` to `opacity`: hidden at 0 (no hits, nothing to read for
/// assistive tools, no repaints), drawn directly at 1, through an opacity
/// effect only while a fade runs.
void setOpacity(QWidget *widget, double opacity)
{
    widget->setVisible(opacity > 0);
    if (opacity <= 0 || opacity >= 1) {
        if (widget->graphicsEffect())
            widget->setGraphicsEffect(nullptr);
        return;
    }
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

/// Drawn over the areas: the notch cap, which keeps the menu-bar band black
/// above the cards, and the accent edge while files are dragged over the
/// crest. Never takes the pointer.
class CrestOverlay final : public QWidget
{
public:
    CrestOverlay(CrestState &state, QWidget *parent) : QWidget(parent), m_state(state)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        connect(&state, &CrestState::isFileDragActiveChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double notch = m_state.notchWidth();
        const QRectF cap((width() - notch) / 2, 0, notch, m_state.topHeight());
        painter.fillPath(CrestOutline::path(cap, kCapRadius), Qt::black);
        if (!m_state.isFileDragActive())
            return;
        // An inner border one point wide of the shape inset by one point.
        const QRectF edge = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(CrestStyle::withOpacity(CrestStyle::accent, kDropOpacity), 1));
        painter.drawPath(CrestOutline::path(edge, kDropRadius - 0.5));
    }

private:
    CrestState &m_state;
};

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, QColor(28, 28, 30));
    palette.setColor(QPalette::AlternateBase, QColor(38, 38, 40));
    palette.setColor(QPalette::Button, QColor(44, 44, 46));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                      QPalette::BrightText, QPalette::ToolTipText})
        palette.setColor(role, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(28, 28, 30));
    palette.setColor(QPalette::PlaceholderText, CrestStyle::tertiary);
    palette.setColor(QPalette::Disabled, QPalette::Text, CrestStyle::tertiary);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, CrestStyle::tertiary);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, CrestStyle::tertiary);
    palette.setColor(QPalette::Highlight, CrestStyle::accent);
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::Link, CrestStyle::accent);
    return palette;
}

} // namespace

CrestView::CrestView(Stores stores, Clock &clock, Scheduler &scheduler,
                     std::function<bool()> reduceMotion, QWidget *parent)
    : QWidget(parent), m_state(stores.state), m_trayStore(stores.tray), m_notesStore(stores.notes),
      m_musicController(stores.music), m_updates(stores.updates), m_lyrics(stores.lyrics),
      m_clock(clock), m_scheduler(scheduler), m_reduceMotion(std::move(reduceMotion)),
      m_content(new QWidget(this)), m_tray(new TrayView(m_trayStore, stores.workspace, m_content)),
      m_defaultLayout(new QWidget(m_content)),
      m_notes(new NotesView(m_notesStore, CrestStyle::accent)),
      m_overlay(new CrestOverlay(m_state, this))
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Menus and alerts opened from the crest share its dark look.
    setAttribute(Qt::WA_WindowPropagation);
    setPalette(darkPalette());
    m_tray->addToHeader(new UpdateAvailableButton(m_updates));
    m_notes->addToHeader(new UpdateAvailableButton(m_updates));

    auto *row = new QHBoxLayout(m_defaultLayout);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(kAreaSpacing));
    row->addWidget(m_notes, 1);
    rebuildMusic();

    const double expanded = m_state.isExpanded() ? 1 : 0;
    m_progress = m_from = m_target = expanded;
    m_fade.value = m_fade.to = expanded;
    m_trayFade.value = m_trayFade.to = m_state.showsTray() ? 1 : 0;
    applyFades();
    m_overlay->raise();

    connect(&m_state, &CrestState::isExpandedChanged, this, &CrestView::expansionChanged);
    connect(&m_state, &CrestState::showsTrayChanged, this, &CrestView::layoutChanged);
    for (auto changed : {&CrestState::notchWidthChanged, &CrestState::topHeightChanged}) {
        connect(&m_state, changed, this, &CrestView::outlineChanged);
        connect(&m_state, changed, this, &CrestView::placeContent);
    }
    connect(&m_state, &CrestState::topHeightChanged, this, &CrestView::rebuildMusic);
    connect(m_notes, &NotesView::typed, &m_state, &CrestState::noteKeyPressed);
    connect(m_notes, &NotesView::wantsKeyboard, this, &CrestView::keyboardWanted);
    // Another player becoming active gets a view of its own, not a morph of
    // the last one.
    connect(&m_musicController, &MusicController::activeChanged, this, &CrestView::rebuildMusic);

    connect(&m_trayStore, &FileTrayStore::previewItemChanged, this,
            [this] { endInteractionWhen(!m_trayStore.hasPreviewItem()); });
    connect(&m_trayStore, &FileTrayStore::pickerPresentedChanged, this,
            [this] { endInteractionWhen(!m_trayStore.isPickerPresented()); });
    connect(m_tray, &TrayView::addFilesRequested, this, &CrestView::addFiles);
    connect(&m_notesStore, &NotesStore::pendingDeletionIDChanged, this,
            [this] { endInteractionWhen(!m_notesStore.pendingDeletionID()); });
    connect(&m_updates, &AppUpdateController::setupMessageChanged, this, [this] {
        followUpdateMessage();
        endInteractionWhen(!m_updates.setupMessage());
    });
    followUpdateMessage();
    qApp->installEventFilter(this);
}

CrestView::~CrestView()
{
    delete m_updateAlert;
}

QMessageBox *CrestView::updateAlert() const
{
    return m_updateAlert;
}

QRegion CrestView::outlineRegion() const
{
    const QRectF rect = CrestOutline::rect(m_progress, width(), m_state.notchWidth(),
                                           m_state.topHeight(), height());
    const QPainterPath path = CrestOutline::path(rect, CrestOutline::radius(m_progress));
    return QRegion(path.toFillPolygon().toPolygon());
}

void CrestView::finishCollapse()
{
    if (m_target != 0)
        return;
    m_frames.cancel();
    m_fade.value = m_fade.to;
    m_trayFade.value = m_trayFade.to;
    applyFades();
    setProgress(0);
}

bool CrestView::reduceMotion() const
{
    return m_reduceMotion && m_reduceMotion();
}

void CrestView::expansionChanged()
{
    const bool expanded = m_state.isExpanded();
    m_target = expanded ? 1 : 0;
    m_from = m_progress;
    m_startedAt = m_clock.now().count();
    if (reduceMotion()) {
        m_from = m_target;
        setProgress(m_target);
    }
    startFade(m_fade, m_target, expanded ? kExpandFade : kCollapseFade, false);
    // The press dip is motion too; the buttons learn the setting as the
    // crest opens, before any of them can be pressed.
    if (expanded)
        followReduceMotion(this, reduceMotion());
}

void CrestView::layoutChanged()
{
    startFade(m_trayFade, m_state.showsTray() ? 1 : 0, kLayoutFade, true);
}

void CrestView::startFade(Fade &fade, double to, double duration, bool inOut)
{
    fade.from = fade.value;
    fade.to = to;
    fade.startedAt = m_clock.now().count();
    fade.duration = duration;
    fade.inOut = inOut;
    if (reduceMotion())
        fade.value = to;
    applyFades();
    startFrames();
}

void CrestView::startFrames()
{
    const bool settled =
        m_progress == m_target && m_fade.value == m_fade.to && m_trayFade.value == m_trayFade.to;
    if (settled || m_frames)
        return;
    m_frames = m_scheduler.every(Seconds(kFrameInterval), Seconds(0.004), [this] { tick(); });
}

void CrestView::tick()
{
    const double now = m_clock.now().count();
    for (Fade *fade : {&m_fade, &m_trayFade}) {
        const double t = fade->duration > 0
                             ? std::clamp((now - fade->startedAt) / fade->duration, 0.0, 1.0)
                             : 1.0; // never started: at rest
        const double eased = fade->inOut ? easeInOut(t) : easeOut(t);
        fade->value = t >= 1 ? fade->to : fade->from + (fade->to - fade->from) * eased;
    }
    applyFades();

    const double value = CrestOutline::spring(m_from, m_target, now - m_startedAt);
    const bool springSettled = CrestOutline::isSettled(value, m_target);
    setProgress(springSettled ? m_target : value);
    if (springSettled && m_fade.value == m_fade.to && m_trayFade.value == m_trayFade.to)
        m_frames.cancel();
}

void CrestView::setProgress(double value)
{
    if (m_progress == value)
        return;
    m_progress = value;
    emit outlineChanged();
    update();
}

void CrestView::applyFades()
{
    setOpacity(m_tray, m_trayFade.value);
    setOpacity(m_defaultLayout, 1 - m_trayFade.value);
    setOpacity(m_content, m_fade.value);
    // Collapsing, the fading content no longer takes the pointer.
    m_content->setAttribute(Qt::WA_TransparentForMouseEvents, !m_state.isExpanded());
    placeContent();
}

void CrestView::placeContent()
{
    const double slide = reduceMotion() ? 0 : kCollapsedOffset * (1 - m_fade.value);
    const QRectF frame((width() - kContentWidth) / 2, kTopPadding + slide, kContentWidth,
                       m_state.topHeight() + kContentExtraHeight);
    m_content->setGeometry(frame.toRect());
    m_tray->setGeometry(m_content->rect());
    m_defaultLayout->setGeometry(m_content->rect());
    m_overlay->setGeometry(rect());
}

void CrestView::rebuildMusic()
{
    if (m_music) {
        // The old view may be in the middle of the signal that brought us here.
        m_music->hide();
        m_music->deleteLater();
    }
    m_music = new NowPlayingView(m_musicController.active(), m_state.topHeight(),
                                 CrestStyle::accent, m_defaultLayout);
    // The card shows and flips the lyrics switch; the lyrics are the crest's.
    m_music->setLyricsShown(m_lyrics.isVisible());
    connect(&m_lyrics, &LyricsController::isVisibleChanged, m_music,
            [this, music = m_music] { music->setLyricsShown(m_lyrics.isVisible()); });
    connect(m_music, &NowPlayingView::lyricsToggled, this,
            [this] { m_lyrics.setVisible(!m_lyrics.isVisible()); });
    m_music->setFixedWidth(int(kMusicWidth));
    static_cast<QHBoxLayout *>(m_defaultLayout->layout())->insertWidget(0, m_music);
    followReduceMotion(m_music, reduceMotion());
    orderFocusChain();
}

void CrestView::orderFocusChain()
{
    // Tab follows the reading order: the music card (built last) before the
    // notes, then the tray; inside each area the controls come in the order
    // they are laid out.
    QWidget *previous = nullptr;
    for (QWidget *area : std::initializer_list<QWidget *>{m_music, m_notes, m_tray}) {
        for (QWidget *control : area->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || control->focusProxy() ||
                control->window() != area->window())
                continue;
            if (previous)
                QWidget::setTabOrder(previous, control);
            previous = control;
        }
    }
}

void CrestView::focusNotes()
{
    m_notes->focusEditor();
}

void CrestView::endInteractionWhen(bool absent)
{
    if (absent)
        m_state.interactionEnded();
}

void CrestView::followUpdateMessage()
{
    const auto &message = m_updates.setupMessage();
    if (!message) {
        if (m_updateAlert)
            m_updateAlert->close();
        return;
    }
    if (m_updateAlert) {
        m_updateAlert->setInformativeText(*message);
        return;
    }
    m_updateAlert = new QMessageBox(this);
    m_updateAlert->setAttribute(Qt::WA_DeleteOnClose);
    m_updateAlert->setWindowModality(Qt::ApplicationModal);
    m_updateAlert->setWindowTitle(u"Velloway Updates"_s);
    m_updateAlert->setText(u"Velloway Updates"_s);
    m_updateAlert->setInformativeText(*message);
    m_updateAlert->addButton(u"OK"_s, QMessageBox::RejectRole);
    // However it closes, the message has been seen.
    connect(m_updateAlert, &QDialog::finished, this, [this] { m_updates.clearSetupMessage(); });
    m_updateAlert->show();
    m_updateAlert->raise();
    m_updateAlert->activateWindow();
}

QMenu *CrestView::contextMenu()
{
    auto *menu = new CrestMenu(this);
    PlayerController &active = m_musicController.active();
    connect(menu->addItem(u"Add Files…"_s), &QAction::triggered, this, &CrestView::addFiles);
    menu->addSeparator();

    CrestMenu *connections = menu->addSubmenu(u"Music Connections"_s);
    for (MusicSource source : m_musicController.availableSources()) {
        connect(connections->addItem(source.displayName() + u"…"_s), &QAction::triggered, this,
                [this, source] { m_musicController.showConnectionSetup(source); });
    }
    // With more than one player running, a person picks the one shown.
    const QList<PlayerController *> running = m_musicController.runningPlayers();
    if (running.size() > 1) {
        CrestMenu *players = menu->addSubmenu(u"Show Player"_s);
        for (PlayerController *player : running) {
            QAction *item = players->addItem(player->displayName());
            // A player's desktop entry names its icon in the theme.
            if (const QString icon = m_musicController.iconName(*player); !icon.isEmpty())
                item->setIcon(QIcon::fromTheme(icon));
            item->setCheckable(true);
            item->setChecked(player == &active);
            connect(item, &QAction::triggered, this, [this, guarded = QPointer(player)] {
                if (guarded)
                    m_musicController.pick(*guarded);
            });
        }
    }
    if (active.currentTrack() && active.source() != MusicSource::mpris) {
        connect(menu->addItem(u"Open in "_s + active.source().browserName()), &QAction::triggered,
                this, [this] { m_musicController.active().openCurrentTrack(); });
    }
    menu->addSeparator();

    QAction *floating = menu->addItem(u"Floating lyrics"_s);
    floating->setCheckable(true);
    floating->setChecked(m_lyrics.isVisible());
    connect(floating, &QAction::toggled, this, [this](bool on) { m_lyrics.setVisible(on); });
    if (m_lyrics.isVisible()) {
        QAction *clickThrough = menu->addItem(u"Click-through lyrics"_s);
        clickThrough->setCheckable(true);
        clickThrough->setChecked(m_lyrics.clickThrough());
        connect(clickThrough, &QAction::toggled, this,
                [this](bool on) { m_lyrics.setClickThrough(on); });
        QAction *interactive = menu->addItem(u"Make lyrics interactive"_s);
        connect(interactive, &QAction::triggered, this,
                [this] { m_lyrics.setClickThrough(false); });
        interactive->setEnabled(m_lyrics.clickThrough());
    }
    menu->addSeparator();

    const bool configured = m_updates.isConfigured();
    QAction *check = menu->addItem(configured ? u"Check for Updates…"_s : u"How to Update…"_s);
    connect(check, &QAction::triggered, this, [this] { m_updates.checkForUpdates(); });
    check->setEnabled(!configured || m_updates.canCheck());
    if (configured) {
        QAction *automatic = menu->addItem(u"Check for updates automatically"_s);
        automatic->setCheckable(true);
        automatic->setChecked(m_updates.automaticChecks());
        connect(automatic, &QAction::toggled, this, [this](bool on) {
            m_updates.setAutomaticChecks(on);
            m_updates.refreshSettings();
        });
    }
    if (isOpenAtLogin && setOpenAtLogin) {
        QAction *login = menu->addItem(u"Open at login"_s);
        login->setCheckable(true);
        login->setChecked(isOpenAtLogin());
        connect(login, &QAction::toggled, this, [this](bool on) {
            if (setOpenAtLogin)
                setOpenAtLogin(on);
        });
    }
    menu->addSeparator();
    connect(menu->addItem(u"About & Privacy…"_s), &QAction::triggered, this, [this] {
        if (showAbout)
            showAbout();
    });
    menu->addSeparator();
    connect(menu->addItem(u"Quit Velloway"_s), &QAction::triggered, this,
            [] { QCoreApplication::quit(); });
    return menu;
}

void CrestView::addFiles()
{
    if (m_trayStore.isPickerPresented())
        return;
    static TrayFileDialog desktopChooser;
    FilePicking &picker = m_filePicker ? *m_filePicker : desktopChooser;
    m_trayStore.setPickerPresented(true);
    picker.pickFiles(this, [self = QPointer(this)](const QList<QUrl> &urls) {
        if (!self)
            return;
        if (!urls.isEmpty() && self->m_dropTarget) {
            QMimeData chosen;
            chosen.setUrls(urls);
            self->m_dropTarget->dropped(chosen);
        }
        self->m_trayStore.setPickerPresented(false);
    });
}

bool CrestView::pasteFiles()
{
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    return m_state.isExpanded() && m_dropTarget && copied && m_dropTarget->dropped(*copied);
}

bool CrestView::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    // Files on the clipboard go to the tray, also from the notes editor,
    // which would paste their paths; text is pasted as usual.
    if (type == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        auto *widget = qobject_cast<QWidget *>(watched);
        return widget && widget->window() == window() && pasteFiles();
    }
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave &&
        type != QEvent::Drop)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget == this || !isAncestorOf(widget))
        return false;
    // Files dropped anywhere on the crest go to the tray, also over an area
    // that takes drops of its own: the notes editor would paste their paths.
    switch (type) {
    case QEvent::DragEnter: {
        auto *enter = static_cast<QDragEnterEvent *>(event);
        dragEnterEvent(enter);
        m_routesDrag = enter->isAccepted();
        return m_routesDrag;
    }
    case QEvent::DragMove:
        if (m_routesDrag)
            dragMoveEvent(static_cast<QDragMoveEvent *>(event));
        return m_routesDrag;
    case QEvent::DragLeave:
        if (!std::exchange(m_routesDrag, false))
            return false;
        dragLeaveEvent(static_cast<QDragLeaveEvent *>(event));
        return true;
    default:
        if (!std::exchange(m_routesDrag, false))
            return false;
        dropEvent(static_cast<QDropEvent *>(event));
        return true;
    }
}

void CrestView::paintEvent(QPaintEvent *)
{
    // The window is masked to the outline, so filling everything paints
    // exactly the crest, with or without a compositor.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void CrestView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeContent();
    emit outlineChanged();
}

void CrestView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = contextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CrestView::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_dropTarget && event->mimeData() && m_dropTarget->dragEntered(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction); // files are referenced, never moved
        event->accept();
    } else {
        event->ignore();
    }
}

void CrestView::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CrestView::dragLeaveEvent(QDragLeaveEvent *)
{
    if (m_dropTarget)
        m_dropTarget->dragExited();
}

void CrestView::dropEvent(QDropEvent *event)
{
    if (m_dropTarget && event->mimeData() && m_dropTarget->dropped(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
