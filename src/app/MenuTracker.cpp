#include "app/MenuTracker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>

MenuTracker::MenuTracker(QObject *parent) : QObject(parent) {}

MenuTracker::~MenuTracker()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void MenuTracker::start()
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool MenuTracker::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && qobject_cast<QMenu *>(watched)) {
        if (type == QEvent::Show && ++m_openMenus == 1)
            emit menuOpened();
        else if (type == QEvent::Hide && m_openMenus > 0 && --m_openMenus == 0)
            emit menuClosed();
    }
    return false;
}
