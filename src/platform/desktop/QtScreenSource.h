#pragma once

#include "platform/desktop/ScreenSource.h"

class QScreen;

/// Screens as Qt reports them. Linux reports no camera housing, so every
/// screen has a top inset of 0 and no auxiliary areas.
class QtScreenSource final : public ScreenSource
{
    Q_OBJECT

public:
    explicit QtScreenSource(QObject *parent = nullptr);

    QList<ScreenInfo> screens() const override;
    qsizetype primaryIndex() const override;

private:
    void watch(QScreen *screen);
};
