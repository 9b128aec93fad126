#pragma once

#include <QKeySequence>
#include <QObject>

/// One key combination that reaches the program whatever window has the
/// keyboard. Main thread only.
class GlobalShortcut : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Starts listening for `trigger` (one key with modifiers). The outcome
    /// arrives later: `activated` at every press, or `failed` once.
    virtual void start(const QKeySequence &trigger) = 0;

signals:
    void activated();
    /// The shortcut could not be taken; `reason` is one line for a person.
    void failed(const QString &reason);
};
