#include "platform/desktop/LocalEventMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

LocalEventMonitor::LocalEventMonitor(QObject *parent) : QObject(parent) {}

LocalEventMonitor::~LocalEventMonitor()
{
    stop();
}

void LocalEventMonitor::start()
{
    if (m_installed || !QCoreApplication::instance())
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_installed = true;
}

void LocalEventMonitor::stop()
{
    if (!m_installed)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    m_installed = false;
}

bool LocalEventMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // Events reach the window first and are then handed down (and back up)
    // the widget tree; looking only at the window sees each one once.
    if (!watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto button = static_cast<QMouseEvent *>(event)->button();
        emit mouseEvent(button == Qt::LeftButton || button == Qt::RightButton);
        return false;
    }
    case QEvent::MouseMove:
        emit mouseEvent(false);
        return false;
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && escapePressed)
            return escapePressed();
        return false;
    }
    default:
        return false;
    }
}
