#include "crest/CrestState.h"

#include "core/Scheduler.h"

#include <QPointer>

CrestState::CrestState(Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_scheduler(scheduler)
{}

CrestState::~CrestState() = default;

void CrestState::setExpanded(bool value)
{
    if (m_isExpanded == value)
        return;
    m_isExpanded = value;
    emit isExpandedChanged();
}

void CrestState::setNotchWidth(double value)
{
    if (m_notchWidth == value)
        return;
    m_notchWidth = value;
    emit notchWidthChanged();
}

void CrestState::setTopHeight(double value)
{
    if (m_topHeight == value)
        return;
    m_topHeight = value;
    emit topHeightChanged();
}

void CrestState::setShowsTray(bool value)
{
    if (m_showsTray == value)
        return;
    m_showsTray = value;
    emit showsTrayChanged();
}

void CrestState::setFileDragActive(bool value)
{
    if (m_isFileDragActive == value)
        return;
    m_isFileDragActive = value;
    emit isFileDragActiveChanged();
}

bool CrestState::reevaluatePointer()
{
    if (containsPointer)
        m_isPointerInside = containsPointer();
    return m_isPointerInside;
}

bool CrestState::interactionActive() const
{
    return isInteractionActive && isInteractionActive();
}

void CrestState::pointerChanged(bool inside)
{
    if (!inside)
        m_isHoverSuppressed = false;

    if (inside && !m_isExpanded && isHoverAllowed && !isHoverAllowed()) {
        m_isPointerInside = true;
        m_isHoverSuppressed = true;
        m_hoverTask.cancel();
        return;
    }

    // The pointer timer reports every tick; an unchanged report must not
    // restart a pending delay.
    if (m_isPointerInside == inside)
        return;

    m_isPointerInside = inside;
    m_hoverTask.cancel();
    m_dismissalTask.cancel();

    if (!inside) {
        scheduleDismissal();
        return;
    }
    if (m_isExpanded || m_isHoverSuppressed)
        return;

    m_hoverTask = m_scheduler.after(Seconds(kHoverDelay), [self = QPointer(this)] {
        if (!self)
            return;
        self->m_hoverTask.release();
        if (!self->reevaluatePointer())
            return;
        if (!self->m_isHoverSuppressed && (!self->isHoverAllowed || self->isHoverAllowed())) {
            self->restoreDefaultView();
            if (self->expand)
                self->expand();
            return;
        }
        self->m_isHoverSuppressed = true;
    });
}

void CrestState::pointerPressed(bool inside)
{
    // A press is reported before the position, so a click on the notch never
    // opens the crest until the pointer has left once.
    if (inside && !m_isExpanded) {
        m_isHoverSuppressed = true;
        m_hoverTask.cancel();
    }
}

void CrestState::scheduleDismissal()
{
    m_dismissalTask = m_scheduler.after(Seconds(kDismissalDelay), [self = QPointer(this)] {
        if (!self)
            return;
        self->m_dismissalTask.release();
        if (self->reevaluatePointer() || self->m_isFileDragActive || self->m_isDecodingDrop ||
            self->isTyping() || self->interactionActive())
            return;
        self->dismiss();
    });
}

void CrestState::dismiss()
{
    m_hoverTask.cancel();
    m_dismissalTask.cancel();
    m_typingTask.cancel();
    restoreDefaultView();
    if (collapse)
        collapse();
}

void CrestState::restoreDefaultView()
{
    m_trayTask.cancel();
    setShowsTray(m_hasTrayFiles);
    setFileDragActive(false);
    m_hasCompletedDrop = false;
}

void CrestState::interactionEnded()
{
    if (!reevaluatePointer())
        scheduleDismissal();
}

void CrestState::setTrayHasFiles(bool hasFiles)
{
    m_hasTrayFiles = hasFiles;
    if (!m_isFileDragActive && !m_isDecodingDrop)
        setShowsTray(hasFiles);
}

void CrestState::fileDragEntered()
{
    m_hoverTask.cancel();
    m_dismissalTask.cancel();
    m_trayTask.cancel();
    setShowsTray(true);
    setFileDragActive(true);
    m_hasCompletedDrop = false;
    if (expand)
        expand();
}

void CrestState::fileDragExited()
{
    setFileDragActive(false);
    m_trayTask = m_scheduler.after(Seconds(kTrayReturnDelay), [self = QPointer(this)] {
        if (!self)
            return;
        self->m_trayTask.release();
        if (!self->m_isFileDragActive && !self->m_isDecodingDrop && !self->m_hasCompletedDrop &&
            !self->interactionActive())
            self->restoreDefaultView();
    });
    scheduleDismissal();
}

void CrestState::fileDropStarted()
{
    m_hoverTask.cancel();
    m_dismissalTask.cancel();
    m_trayTask.cancel();
    setShowsTray(true);
    setFileDragActive(false);
    m_isDecodingDrop = true;
}

void CrestState::fileDropFinished()
{
    m_isDecodingDrop = false;
    // Keeps a pending or later tray task from leaving the tray: the user sees
    // the files just dropped.
    m_hasCompletedDrop = true;
    interactionEnded();
}

bool CrestState::handleEscape()
{
    if (!m_isExpanded || interactionActive())
        return false;
    dismiss();
    return true;
}

void CrestState::noteKeyPressed()
{
    if (m_isExpanded)
        holdForTyping(kTypingHold);
}

void CrestState::openForTyping()
{
    m_hoverTask.cancel();
    m_dismissalTask.cancel();
    if (!m_isExpanded) {
        restoreDefaultView();
        if (expand)
            expand();
    }
    // The notes sit in the default layout, beside the music.
    if (!m_isFileDragActive && !m_isDecodingDrop)
        setShowsTray(false);
    holdForTyping(kShortcutHold);
}

void CrestState::holdForTyping(double seconds)
{
    m_typingTask = m_scheduler.after(Seconds(seconds), [self = QPointer(this)] {
        if (!self)
            return;
        self->m_typingTask.release();
        self->interactionEnded();
    });
}
