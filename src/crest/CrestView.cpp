#include "crest/CrestView.h"

#include "crest/CrestContextMenu.h"
#include "crest/CrestOutline.h"
#include "crest/CrestOverlayView.h"
#include "crest/CrestPalette.h"
#include "crest/CrestState.h"
#include "crest/CrestUpdateDialog.h"
#include "notes/NotesStore.h"
#include "notes/view/NotesView.h"
#include "tray/FileTrayStore.h"
#include "tray/view/TrayFileDialog.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayView.h"
#include "ui/CrestDropTarget.h"
#include "updates/AppUpdateController.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>

namespace {

/// Collapsed, the content sits this far up as it fades.
constexpr double kCollapsedOffset = -6;

} // namespace

CrestView::CrestView(Stores stores, Clock &clock, Scheduler &scheduler,
                     std::function<bool()> reduceMotion, QWidget *parent)
    : QWidget(parent), m_state(stores.state), m_trayStore(stores.tray), m_notesStore(stores.notes),
      m_musicController(stores.music), m_updates(stores.updates), m_lyrics(stores.lyrics),
      m_animation(clock, scheduler, std::move(reduceMotion), m_state.isExpanded(),
                  m_state.showsTray())
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Menus and alerts opened from the crest share its dark look.
    setAttribute(Qt::WA_WindowPropagation);
    setPalette(CrestPalette::dark());

    m_content = new CrestContentView(
        stores, [this] { return m_animation.reduceMotion(); }, this);
    m_overlay = new CrestOverlayView(m_state, this);
    applyFades();
    m_overlay->raise();

    connect(&m_state, &CrestState::isExpandedChanged, this, [this] {
        m_animation.setExpanded(m_state.isExpanded());
        // The buttons learn the setting as the crest opens, before any of
        // them can be pressed.
        if (m_state.isExpanded())
            m_content->followReduceMotion();
    });
    connect(&m_state, &CrestState::showsTrayChanged, this,
            [this] { m_animation.setShowsTray(m_state.showsTray()); });
    connect(&m_animation, &CrestAnimation::opacitiesChanged, this, &CrestView::applyFades);
    connect(&m_animation, &CrestAnimation::progressChanged, this, [this] {
        emit outlineChanged();
        update();
    });
    for (auto changed : {&CrestState::notchWidthChanged, &CrestState::topHeightChanged}) {
        connect(&m_state, changed, this, &CrestView::outlineChanged);
        connect(&m_state, changed, this, &CrestView::placeContent);
    }
    connect(&m_state, &CrestState::topHeightChanged, m_content, &CrestContentView::rebuildMusic);
    connect(notesView(), &NotesView::typed, &m_state, &CrestState::noteKeyPressed);
    connect(notesView(), &NotesView::wantsKeyboard, this, &CrestView::keyboardWanted);

    connect(&m_trayStore, &FileTrayStore::previewItemChanged, this,
            [this] { endInteractionWhen(!m_trayStore.hasPreviewItem()); });
    connect(&m_trayStore, &FileTrayStore::pickerPresentedChanged, this,
            [this] { endInteractionWhen(!m_trayStore.isPickerPresented()); });
    connect(trayView(), &TrayView::addFilesRequested, this, &CrestView::addFiles);
    connect(&m_notesStore, &NotesStore::pendingDeletionIDChanged, this,
            [this] { endInteractionWhen(!m_notesStore.pendingDeletionID()); });
    m_updateDialog = std::make_unique<CrestUpdateDialog>(m_updates, this);
    connect(&m_updates, &AppUpdateController::setupMessageChanged, this,
            [this] { endInteractionWhen(!m_updates.setupMessage()); });
    qApp->installEventFilter(this);
}

CrestView::~CrestView() = default;

QWidget *CrestView::content() const
{
    return m_content;
}

QMessageBox *CrestView::updateAlert() const
{
    return m_updateDialog->alert();
}

QRegion CrestView::outlineRegion() const
{
    const double progress = m_animation.progress();
    const QRectF rect =
        CrestOutline::rect(progress, width(), m_state.notchWidth(), m_state.topHeight(), height());
    const QPainterPath path = CrestOutline::path(rect, CrestOutline::radius(progress));
    return QRegion(path.toFillPolygon().toPolygon());
}

void CrestView::applyFades()
{
    m_content->setOpacities(m_animation.trayOpacity(), m_animation.contentOpacity());
    // Collapsing, the fading content no longer takes the pointer.
    m_content->setAttribute(Qt::WA_TransparentForMouseEvents, !m_state.isExpanded());
    placeContent();
}

void CrestView::placeContent()
{
    const double slide =
        m_animation.reduceMotion() ? 0 : kCollapsedOffset * (1 - m_animation.contentOpacity());
    const QRectF frame((width() - kContentWidth) / 2, kTopPadding + slide, kContentWidth,
                       m_state.topHeight() + kContentExtraHeight);
    m_content->place(frame.toRect());
    m_overlay->setGeometry(rect());
}

void CrestView::focusNotes()
{
    notesView()->focusEditor();
}

void CrestView::endInteractionWhen(bool absent)
{
    if (absent)
        m_state.interactionEnded();
}

QMenu *CrestView::contextMenu()
{
    auto *menu = new CrestContextMenu({m_musicController, m_lyrics, m_updates},
                                      {showAbout, isOpenAtLogin, setOpenAtLogin}, this);
    connect(menu, &CrestContextMenu::addFilesRequested, this, &CrestView::addFiles);
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
