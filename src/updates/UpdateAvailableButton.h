#pragma once

#include <QAbstractButton>

class AppUpdateController;

/// The small "Update" capsule of the tray and notes headers: shown only
/// while an update version is known; a click starts the update check.
class UpdateAvailableButton final : public QAbstractButton
{
public:
    explicit UpdateAvailableButton(AppUpdateController &updates, QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    AppUpdateController &m_updates;
};
