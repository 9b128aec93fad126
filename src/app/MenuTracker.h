#pragma once

#include <QObject>

/// Notices when any menu of the program opens or closes (the crest's
/// context menu, a text field's menu, ...). Nested submenus count as one
/// tracking session: closing a submenu does not end it.
class MenuTracker final : public QObject
{
    Q_OBJECT

public:
    explicit MenuTracker(QObject *parent = nullptr);
    ~MenuTracker() override;

    void start();
    bool isTracking() const { return m_openMenus > 0; }

signals:
    void menuOpened();
    void menuClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_openMenus = 0;
};
