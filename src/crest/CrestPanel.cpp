#include "crest/CrestPanel.h"

#include "crest/CrestView.h"
#include "platform/desktop/X11Window.h"

#include <QWindow>

CrestPanel::CrestPanel(QWidget *parent) : StickyPanel(parent)
{
    // It refuses focus until it asks for the keyboard: otherwise Qt and the
    // window manager activate it on every click, and the next words a
    // person types for another window are lost.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::NoDropShadowWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Velloway"));
    setAutoFillBackground(false);
    setMouseTracking(true);
}

void CrestPanel::setContentView(CrestView *view)
{
    m_view = view;
    view->setParent(this);
    view->setGeometry(rect());
    connect(view, &CrestView::outlineChanged, this, &CrestPanel::applyMask);
    connect(view, &CrestView::keyboardWanted, this, &CrestPanel::takeKeyboard);
    applyMask();
}

void CrestPanel::setFrame(const QRect &frame)
{
    setGeometry(frame);
    if (m_view)
        m_view->setGeometry(rect());
    applyMask();
    applyInputRegion();
}

void CrestPanel::setNotchRect(const QRect &notch)
{
    if (m_notch == notch)
        return;
    m_notch = notch;
    applyInputRegion();
}

void CrestPanel::setAcceptsMouse(bool accepts)
{
    if (m_acceptsMouse == accepts)
        return;
    m_acceptsMouse = accepts;
    applyInputRegion();
}

void CrestPanel::takeKeyboard()
{
    QWindow *window = windowHandle();
    if (!window)
        return;
    if (!isActiveWindow()) {
        const quint32 active = X11Window::activeWindow(window);
        if (active != quint32(window->winId()))
            m_previousWindow = active;
    }
    window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    window->requestActivate();
}

void CrestPanel::giveBackKeyboard()
{
    if (QWidget *focused = focusWidget())
        focused->clearFocus();
    QWindow *window = windowHandle();
    if (!window)
        return;
    window->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    const quint32 previous = std::exchange(m_previousWindow, 0);
    // A person who clicked another window meanwhile chose where typing goes.
    if (previous && X11Window::activeWindow(window) == quint32(window->winId()))
        X11Window::activate(window, previous);
}

void CrestPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_view)
        m_view->setGeometry(rect());
}

void CrestPanel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    emit pointerEntered();
}

void CrestPanel::applyMask()
{
    if (!m_view)
        return;
    const QRegion outline = m_view->outlineRegion();
    // An empty mask would mean "no mask" and show the whole rectangle.
    setMask(outline.isEmpty() ? QRegion(m_notch) : outline);
}

void CrestPanel::applyShapes()
{
    applyMask();
    applyInputRegion();
}

void CrestPanel::applyInputRegion()
{
    if (!isNativeReady())
        return;
    X11Window::setInputRegion(windowHandle(), m_acceptsMouse ? QRegion(rect()) : QRegion(m_notch));
}
