#include "app/SheetTracker.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>

SheetTracker::SheetTracker(QWidget &window, QObject *parent) : QObject(parent), m_window(&window) {}

void SheetTracker::start()
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool SheetTracker::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Hide || !m_window || !qobject_cast<QDialog *>(watched))
        return false;
    // A dialog is a window of its own: it belongs to ours through its parents.
    for (QObject *owner = watched->parent(); owner; owner = owner->parent()) {
        if (owner == m_window) {
            emit sheetEnded();
            break;
        }
    }
    return false;
}
