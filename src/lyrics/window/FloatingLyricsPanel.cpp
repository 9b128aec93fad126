#include "lyrics/window/FloatingLyricsPanel.h"

#include "platform/desktop/X11Window.h"

#include <QPainterPath>
#include <QWindow>

FloatingLyricsPanel::FloatingLyricsPanel(const QString &title, double cornerRadius, QWidget *parent)
    : StickyPanel(parent), m_cornerRadius(cornerRadius)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(title);
    setMouseTracking(true);
}

void FloatingLyricsPanel::setContent(QWidget *content)
{
    m_content = content;
    content->setParent(this);
    content->setGeometry(rect());
}

void FloatingLyricsPanel::setIgnoresMouseEvents(bool ignores)
{
    if (m_ignoresMouseEvents == ignores)
        return;
    m_ignoresMouseEvents = ignores;
    applyShapes();
}

void FloatingLyricsPanel::orderOut()
{
    hide();
}

void FloatingLyricsPanel::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    emit moved();
}

void FloatingLyricsPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_content)
        m_content->setGeometry(rect());
    applyShapes();
}

void FloatingLyricsPanel::applyShapes()
{
    // Without a compositor a translucent corner would be drawn black, so the
    // window itself is cut to the rounded card.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
    if (isNativeReady())
        X11Window::setInputRegion(windowHandle(),
                                  m_ignoresMouseEvents ? QRegion() : QRegion(rect()));
}
