#include "players/model/UnavailableBridge.h"

UnavailableBridge::UnavailableBridge(PlayerError error)
    : m_error(std::move(error)), m_context(std::make_unique<QObject>())
{}

UnavailableBridge::~UnavailableBridge() = default;

void UnavailableBridge::snapshot(qint32, bool, SnapshotCompletion completion)
{
    QMetaObject::invokeMethod(
        m_context.get(), [completion, error = m_error] { completion(error); },
        Qt::QueuedConnection);
}

void UnavailableBridge::send(const PlayerCommand &, qint32, SendCompletion completion)
{
    QMetaObject::invokeMethod(
        m_context.get(), [completion, error = m_error] { completion(error); },
        Qt::QueuedConnection);
}
