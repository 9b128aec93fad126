#pragma once

#include <QMenu>

class Compositor;

/// A pop-up menu in the crest's dark look, readable with and without a
/// compositing manager. Texts given to `addItem` and `addSubmenu` are shown
/// as written: an "&" is a character, never a keyboard mnemonic.
class CrestMenu : public QMenu
{
    Q_OBJECT

public:
    explicit CrestMenu(QWidget *parent = nullptr);

    /// An item showing `text` literally.
    QAction *addItem(const QString &text);
    /// A submenu in the same look, titled `title` literally.
    CrestMenu *addSubmenu(const QString &title);

    /// `text` with every "&" doubled, as Qt's menus show a literal "&".
    static QString literal(QString text);

    /// Asked as each menu is made; none (the default) counts as no
    /// compositing manager. The composition root owns it.
    static void setCompositor(const Compositor *compositor);
};
