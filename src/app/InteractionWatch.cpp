#include "app/InteractionWatch.h"

#include "app/MenuTracker.h"
#include "app/SheetTracker.h"
#include "crest/CrestPanel.h"
#include "crest/CrestView.h"
#include "music/MusicController.h"
#include "notes/NotesStore.h"
#include "players/model/VolumeController.h"
#include "tray/FileTrayStore.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayView.h"
#include "updates/AppUpdateController.h"

#include <QApplication>
#include <QDialog>

namespace {

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

InteractionWatch::InteractionWatch(const Sources &sources, QObject *parent)
    : QObject(parent), m_sources(sources), m_panel(&sources.panel)
{
    connect(&sources.music, &MusicController::activeChanged, this,
            &InteractionWatch::followActivePlayer);
    followActivePlayer();
}

InteractionWatch::~InteractionWatch() = default;

void InteractionWatch::start()
{
    m_menus = std::make_unique<MenuTracker>();
    connect(m_menus.get(), &MenuTracker::menuOpened, this, [this] { m_isMenuTracking = true; });
    connect(m_menus.get(), &MenuTracker::menuClosed, this, [this] {
        m_isMenuTracking = false;
        emit ended();
    });
    m_menus->start();
    if (!m_panel)
        return;
    // After the sheet is gone, so that it no longer holds the crest open.
    m_sheets = std::make_unique<SheetTracker>(*m_panel);
    connect(m_sheets.get(), &SheetTracker::sheetEnded, this, &InteractionWatch::ended,
            Qt::QueuedConnection);
    m_sheets->start();
}

bool InteractionWatch::isActive() const
{
    const PlayerController &active = m_sources.music.active();
    const CrestView *view = m_panel ? m_panel->contentView() : nullptr;
    return m_sources.tray.hasPreviewItem() || m_sources.tray.isPickerPresented() ||
           (view && view->trayView()->isPreviewOpen()) || active.isScrubbing() ||
           active.volume().isDragging() || m_sources.notes.pendingDeletionID().has_value() ||
           m_isMenuTracking || m_sources.updates.setupMessage().has_value() || hasAttachedSheet() ||
           QApplication::activeModalWidget() != nullptr;
}

bool InteractionWatch::hasAttachedSheet() const
{
    if (!m_panel)
        return false;
    const auto dialogs = m_panel->findChildren<QDialog *>();
    return std::any_of(dialogs.begin(), dialogs.end(),
                       [](const QDialog *dialog) { return dialog->isVisible(); });
}

void InteractionWatch::followActivePlayer()
{
    PlayerController &active = m_sources.music.active();
    const auto ended = [self = QPointer(this)] {
        if (self)
            emit self->ended();
    };
    QObject::disconnect(m_scrubSubscription);
    m_scrubSubscription = whenTurnsFalse(active, &PlayerController::isScrubbingChanged,
                                         &PlayerController::isScrubbing, this, ended);
    QObject::disconnect(m_volumeSubscription);
    m_volumeSubscription = whenTurnsFalse(active.volume(), &VolumeController::isDraggingChanged,
                                          &VolumeController::isDragging, this, ended);
}
