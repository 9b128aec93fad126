#include "lyrics/window/LyricsDragHandle.h"

#include "lyrics/window/FloatingLyricsPanel.h"

#include <QMouseEvent>

LyricsDragHandle::LyricsDragHandle(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::OpenHandCursor);
    setToolTip(QStringLiteral("Drag the top of the panel to move lyrics"));
}

bool LyricsDragHandle::windowTakesPointer() const
{
    const auto *panel = qobject_cast<const FloatingLyricsPanel *>(window());
    return panel && !panel->ignoresMouseEvents();
}

void LyricsDragHandle::mousePressEvent(QMouseEvent *event)
{
    m_startOrigin.reset();
    m_startPointer.reset();
    if (event->button() != Qt::LeftButton || !windowTakesPointer())
        return;
    m_startOrigin = window()->pos();
    m_startPointer = event->globalPosition().toPoint();
}

void LyricsDragHandle::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_startOrigin || !m_startPointer || !windowTakesPointer())
        return;
    window()->move(*m_startOrigin + (event->globalPosition().toPoint() - *m_startPointer));
}

void LyricsDragHandle::mouseReleaseEvent(QMouseEvent *)
{
    m_startOrigin.reset();
    m_startPointer.reset();
}
