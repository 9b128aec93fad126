#pragma once

#include "platform/shortcuts/GlobalShortcut.h"

#include <memory>

/// The global shortcut the session offers: the desktop portal's where it
/// has GlobalShortcuts, otherwise an X11 key grab.
class DesktopGlobalShortcut final : public GlobalShortcut
{
    Q_OBJECT

public:
    explicit DesktopGlobalShortcut(QObject *parent = nullptr);
    ~DesktopGlobalShortcut() override;

    void start(const QKeySequence &trigger) override;

private:
    std::unique_ptr<GlobalShortcut> m_way;
};
