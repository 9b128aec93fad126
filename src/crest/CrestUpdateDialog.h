#pragma once

#include <QObject>
#include <QPointer>

class AppUpdateController;
class QMessageBox;
class QWidget;

/// Shows the updater's setup message in an alert over `parent` while there
/// is one: opened when a message arrives, its text following a newer one,
/// closed when the message goes. However the person closes it, the message
/// has been seen.
class CrestUpdateDialog final : public QObject
{
    Q_OBJECT

public:
    CrestUpdateDialog(AppUpdateController &updates, QWidget *parent);
    ~CrestUpdateDialog() override;

    /// The alert while it is shown.
    QMessageBox *alert() const;

private:
    void followMessage();

    AppUpdateController &m_updates;
    QWidget *m_parent;
    QPointer<QMessageBox> m_alert;
};
