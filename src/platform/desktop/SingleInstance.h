#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

/// Keeps Velloway to one running copy per user session: a lock file in the
/// runtime folder (a lock left by a copy that died is recovered) and a local
/// socket on which a later copy asks the running one to come to the front.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    /// `folder` is where the lock and the socket live; empty means the
    /// user's runtime folder.
    explicit SingleInstance(const QString &folder = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Result
    {
        Acquired,
        /// Another live copy holds the lock.
        HeldByAnother,
        /// The runtime folder cannot hold a lock; the program runs without
        /// the single-copy guarantee rather than not at all.
        Unavailable,
    };

    /// Takes the lock and starts listening.
    Result acquire();

    /// From a second copy: asks the running one to order its panel front.
    /// Waits at most `timeoutMs`; answers whether the message was delivered.
    bool askRunningCopyToReopen(int timeoutMs = 1000) const;

signals:
    /// A later copy asked this one to come to the front.
    void reopenRequested();

private:
    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
