#include "ui/CrestMenu.h"

#include "platform/compositor/Compositor.h"
#include "ui/CrestStyle.h"

using namespace Qt::StringLiterals;

namespace {

const Compositor *s_compositor = nullptr;

// The crest's card grey: opaque where nothing composites, since a translucent
// window would show black wherever the menu is not painted, and the items'
// own backgrounds would leave only the highlighted one readable.
QString menuStyleSheet(bool translucent)
{
    using namespace CrestStyle;
    const QColor card(28, 28, 30);
    return uR"(
QMenu { background-color: %1; color: white; border: 1px solid %2; border-radius: %3px;
        padding: 5px 0px; }
QMenu::item { background-color: transparent; padding: 4px 22px 4px 24px; }
QMenu::item:selected { background-color: %4; color: black; }
QMenu::item:disabled { color: %5; }
QMenu::separator { height: 1px; background-color: %2; margin: 4px 10px; }
)"_s.arg(css(translucent ? withOpacity(card, 0.96) : card), css(white(0.14)),
         QString::number(translucent ? 8 : 0), css(accent), css(tertiary));
}

} // namespace

CrestMenu::CrestMenu(QWidget *parent) : QMenu(parent)
{
    const bool translucent = s_compositor && s_compositor->isRunning();
    // Before the native window exists: the X server picks its visual then.
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    // The menu's own sheet wins over any a parent area set for its children.
    setStyleSheet(menuStyleSheet(translucent));
}

QAction *CrestMenu::addItem(const QString &text)
{
    return addAction(literal(text));
}

CrestMenu *CrestMenu::addSubmenu(const QString &title)
{
    auto *submenu = new CrestMenu(this);
    submenu->setTitle(literal(title));
    addMenu(submenu);
    return submenu;
}

QString CrestMenu::literal(QString text)
{
    return text.replace(u'&', u"&&"_s);
}

void CrestMenu::setCompositor(const Compositor *compositor)
{
    s_compositor = compositor;
}
