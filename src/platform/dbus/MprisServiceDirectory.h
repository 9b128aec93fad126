#pragma once

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

/// The MPRIS services on the session bus, with the connection and process
/// that own each, kept current from the bus's NameOwnerChanged signal
/// (a service watcher with a wildcard never fires, so names are filtered by
/// prefix here). Every bus query is asynchronous: reading the directory never
/// blocks. Main thread.
class MprisServiceDirectory final : public QObject
{
    Q_OBJECT
public:
    /// Most services followed; a bus crowded with players cannot make the
    /// directory grow without bound. Spotify's names are always followed.
    static constexpr int kMaxServices = 64;

    explicit MprisServiceDirectory(QDBusConnection bus, QObject *parent = nullptr);

    /// The directory of the session bus, created on first use on the main
    /// thread and owned by the application object.
    static MprisServiceDirectory &shared();

    /// The bus has answered the first listing, with every owner and process
    /// in it: what the directory says now is what the bus had at start.
    bool isReady() const { return m_isReady; }

    /// Every MPRIS name on the bus, in the order they appeared.
    QStringList names() const;
    /// The unique name owning exactly `name`; empty when none.
    QString owner(const QString &name) const;
    /// The process owning exactly `name`, once the bus has told.
    std::optional<qint32> processIDOf(const QString &name) const;

    /// The unique name owning `service` or one of its instances
    /// (`service` + "." + suffix), the exact name first; empty when none.
    QStringList owners(const QString &service) const;

    /// The process owning `service` (or, failing that, one of its instances),
    /// once the bus has told; none otherwise.
    std::optional<qint32> processID(const QString &service) const;

signals:
    /// Owners or processes changed.
    void changed();
    /// The directory became ready (once).
    void ready();

private slots:
    void onNameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    struct Entry
    {
        QString owner;
        std::optional<qint32> processID;
        quint64 sequence = 0; // when it appeared
    };

    void learnOwner(const QString &name, const QString &owner);
    template <typename Fn>
    void ask(const QString &method, const QVariantList &arguments, Fn &&onReply);
    QList<const Entry *> entries(const QString &service) const;

    QDBusConnection m_bus;
    QMap<QString, Entry> m_services;
    quint64 m_sequence = 0;
    int m_pending = 0; // bus queries of the first listing still out
    bool m_isReady = false;
};
