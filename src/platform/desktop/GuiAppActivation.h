#pragma once

#include "platform/desktop/AppActivation.h"

/// `AppActivation` from the GUI application's state changes. Without a GUI
/// application (a command-line process) it never fires.
class GuiAppActivation final : public AppActivation
{
    Q_OBJECT

public:
    explicit GuiAppActivation(QObject *parent = nullptr);
};
