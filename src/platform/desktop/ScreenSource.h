#pragma once

#include "platform/desktop/ScreenInfo.h"

#include <QList>
#include <QObject>

/// The desktop's screens, in the system's order, and which one is primary.
class ScreenSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QList<ScreenInfo> screens() const = 0;
    /// Index into `screens()` of the primary screen, or -1 when unknown.
    virtual qsizetype primaryIndex() const = 0;

signals:
    /// A screen was added or removed, moved, resized, or the primary changed.
    void screensChanged();
};
