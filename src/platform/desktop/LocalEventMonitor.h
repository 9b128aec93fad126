#pragma once

#include <QObject>

#include <functional>

/// Watches the events that go to this program's own windows: mouse presses
/// and moves, and the Escape key. Key presses in other programs never reach
/// it.
class LocalEventMonitor final : public QObject
{
    Q_OBJECT

public:
    explicit LocalEventMonitor(QObject *parent = nullptr);
    ~LocalEventMonitor() override;

    void start();
    void stop();

    /// Called for Escape; answering true consumes the key press, false passes
    /// it on unchanged.
    std::function<bool()> escapePressed;

signals:
    /// A mouse event went to one of this program's windows; `isPress` is
    /// true for a left or right button going down.
    void mouseEvent(bool isPress);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_installed = false;
};
