#pragma once

#include <QObject>

class QSocketNotifier;

/// Session events that arrive from outside Qt: SIGTERM and SIGINT (a desktop
/// logout sends SIGTERM) and the machine waking from sleep (logind's
/// PrepareForSleep(false) on the system bus, where there is one).
class SessionSignals final : public QObject
{
    Q_OBJECT

public:
    explicit SessionSignals(QObject *parent = nullptr);
    ~SessionSignals() override;

    void start();

signals:
    void terminationRequested();
    void woke();

private slots:
    void prepareForSleep(bool sleeping);

private:
    QSocketNotifier *m_notifier = nullptr;
};
