#pragma once

#include "ui/CrestPressButton.h"

class AppUpdateController;

/// The small "Update" capsule of the tray and notes headers: shown only
/// while an update version is known; a click starts the update check.
class UpdateAvailableButton final : public CrestPressButton
{
public:
    explicit UpdateAvailableButton(AppUpdateController &updates, QWidget *parent = nullptr);

    QSize sizeHint() const override;

private:
    void refresh();

    AppUpdateController &m_updates;
};
