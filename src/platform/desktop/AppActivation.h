#pragma once

#include <QObject>

/// Tells when the application became the active one (the user switched back
/// to it), so that stores can refresh what may have changed meanwhile.
class AppActivation : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void becameActive();
};
