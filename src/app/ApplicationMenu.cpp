#include "app/ApplicationMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>

ApplicationMenu::ApplicationMenu(QWidget &window)
    : m_quit(new QAction(QStringLiteral("Quit Velloway"), &window))
{
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(m_quit, &QAction::triggered, qApp, &QCoreApplication::quit);
    window.addAction(m_quit);
}
