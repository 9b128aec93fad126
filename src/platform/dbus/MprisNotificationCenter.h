#pragma once

#include "platform/dbus/MprisServiceDirectory.h"
#include "platform/dbus/PlayerNotificationCenter.h"

#include <QDBusMessage>
#include <QObject>

#include <map>
#include <memory>

/// Player broadcasts on Linux: a player's playback-changed broadcast is the
/// `PropertiesChanged` (and `Seeked`) signal of its MPRIS player object,
/// from the connection that owns the player's MPRIS service. Names with no
/// Linux player never fire.
class MprisNotificationCenter final : public QObject, public PlayerNotificationCenter
{
    Q_OBJECT
public:
    explicit MprisNotificationCenter(QDBusConnection bus, QObject *parent = nullptr);
    ~MprisNotificationCenter() override;

    CancelHandle observe(const QString &name, std::function<void()> callback) override;

    /// The MPRIS service standing for a broadcast name; empty when none does.
    static QString serviceFor(const QString &name);

private slots:
    void onPlayerSignal(const QDBusMessage &message);

private:
    struct Observer
    {
        QString service;
        std::function<void()> callback;
    };

    QDBusConnection m_bus;
    MprisServiceDirectory m_directory;
    std::map<quint64, Observer> m_observers;
    quint64 m_nextObserver = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
