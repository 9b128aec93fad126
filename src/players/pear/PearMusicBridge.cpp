#include "players/pear/PearMusicBridge.h"

#include "core/UuidText.h"
#include "platform/keyring/LibsecretStore.h"
#include "platform/storage/IniSettings.h"
#include "players/browser/YouTubePlayback.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

using Kind = PlayerError::Kind;
using PearAPI::Method;

namespace {

const PlayerError kSetup(Kind::pearSetup);

} // namespace

PearMusicBridge::PearMusicBridge(Settings &settings, std::unique_ptr<SecretStore> store,
                                 QString origin)
    : m_settings(settings), m_origin(std::move(origin)), m_store(std::move(store)),
      m_keyring(*m_store), m_context(std::make_unique<QObject>())
{}

PearMusicBridge::~PearMusicBridge()
{
    // An authorisation may wait a minute for the user; quitting must not.
    m_stopping = true;
}

std::unique_ptr<PearMusicBridge> PearMusicBridge::create()
{
    return std::make_unique<PearMusicBridge>(IniSettings::shared(),
                                             std::make_unique<LibsecretStore>());
}

void PearMusicBridge::snapshot(qint32 processID, bool requestPermission,
                               SnapshotCompletion completion)
{
    m_worker.post(
        m_context.get(),
        [this, processID, requestPermission] { return readSnapshot(processID, requestPermission); },
        std::move(completion));
}

void PearMusicBridge::send(const PlayerCommand &command, qint32 processID,
                           SendCompletion completion)
{
    m_worker.post(
        m_context.get(), [this, command, processID] { return perform(command, processID); },
        std::move(completion));
}

PlayerResult<QByteArray> PearMusicBridge::fetch(const QString &path, Method method,
                                                const Body &body)
{
    const auto built = PearAPI::request(path, method, m_token, body, m_origin);
    if (!built.isSuccess())
        return built.localError() ? *built.localError() : kSetup;
    const HttpRequest &request = built.value();
    // Refusing at the head keeps an unexpected or oversized body unread.
    const HttpResponse response =
        m_client.send(request, m_stopping, [](const HttpResponseHead &head) {
            return (head.status == 200 || head.status == 204) &&
                   head.expectedLength <= PearAPI::kMaxReplyBytes;
        });
    // No head: not an HTTP reply. A redirect is never followed; as any status
    // but 200 and 204 it ends below.
    if (!response.head)
        return kSetup;
    const int status = response.head->status;
    if (status == 401 || status == 403) {
        // The user revoked the token in Pear: connecting again is the only way on.
        m_token.reset();
        m_keyring.remove();
        return kSetup;
    }
    if (response.error == HttpError::bodyTooLarge)
        return PlayerError(Kind::invalidReply);
    if (!response.isSuccess())
        return kSetup;
    return response.body;
}

PlayerSnapshotResult PearMusicBridge::readSnapshot(qint32 processID, bool requestPermission)
{
    // Pear is never contacted before the user connected it.
    if (!requestPermission && m_settings.value(QLatin1String(kEnabledKey)).toBool() != true)
        return kSetup;
    if (!m_loadedToken) {
        m_token = m_keyring.read();
        m_loadedToken = true;
    }
    if (!m_token) {
        if (!requestPermission)
            return kSetup;
        if (const auto failed = authorise())
            return *failed;
    }
    auto result = song();
    if (!result.isSuccess())
        return result;
    PlayerSnapshot snapshot = result.value();
    snapshot.volume = volume();
    m_processID = processID;
    return snapshot;
}

std::optional<PlayerError> PearMusicBridge::authorise()
{
    const auto stored = UuidText::parse(m_settings.value(QLatin1String(kClientKey)).toString());
    const QString client = UuidText::format(stored ? *stored : QUuid::createUuid());
    m_settings.setValue(QLatin1String(kClientKey), client);
    const auto reply = fetch(QLatin1String(PearAPI::kAuthPrefix) + client, Method::post);
    if (!reply.isSuccess())
        return reply.localError() ? *reply.localError() : kSetup;
    const QJsonValue token = QJsonDocument::fromJson(reply.value()).object().value("accessToken");
    // Only a token that could be sent is kept.
    if (!token.isString() || !PearAPI::isValidToken(token.toString()))
        return kSetup;
    const auto saved = m_keyring.save(token.toString());
    if (!saved.isSuccess())
        return *saved.localError();
    m_token = token.toString();
    m_settings.setValue(QLatin1String(kEnabledKey), true);
    return std::nullopt;
}

PlayerSnapshotResult PearMusicBridge::song()
{
    const auto reply = fetch(QStringLiteral("/api/v1/song"), Method::get);
    if (!reply.isSuccess())
        return *reply.localError();
    if (reply.value().isEmpty())
        return PlayerSnapshot(); // nothing loaded
    return YouTubePlayback::snapshot(reply.value());
}

std::optional<int> PearMusicBridge::volume()
{
    const auto reply = fetch(QStringLiteral("/api/v1/volume"), Method::get);
    if (!reply.isSuccess())
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(reply.value()).object();
    const QJsonValue state = object.value("state");
    const QJsonValue muted = object.value("isMuted");
    if (!state.isDouble() || !muted.isBool())
        return std::nullopt;
    const double level = state.toDouble();
    if (!std::isfinite(level) || level < 0 || level > 100)
        return std::nullopt;
    return muted.toBool() ? 0 : int(std::round(level));
}

PlayerSendResult PearMusicBridge::perform(const PlayerCommand &command, qint32 processID)
{
    // Commands go only to the Pear whose song the last poll read.
    if (m_processID != processID || !m_token)
        return kSetup;
    QString path;
    Body body;
    switch (command.kind()) {
    case PlayerCommand::Kind::toggle:
        path = QStringLiteral("/api/v1/toggle-play");
        break;
    case PlayerCommand::Kind::previous:
        path = QStringLiteral("/api/v1/previous");
        break;
    case PlayerCommand::Kind::next:
        path = QStringLiteral("/api/v1/next");
        break;
    case PlayerCommand::Kind::volume:
        path = QStringLiteral("/api/v1/volume");
        body =
            QMap<QString, double>{{QStringLiteral("volume"), std::clamp(command.level(), 0, 100)}};
        break;
    case PlayerCommand::Kind::seek: {
        const auto current = song();
        if (!current.isSuccess())
            return current.localError() ? PlayerSendResult(*current.localError())
                                        : PlayerSendResult(*current.otherError());
        const auto &wanted = command.track()->playbackID();
        const auto &playing = current.value().playbackID;
        if (!wanted || !playing || *wanted != *playing)
            return PlayerError(Kind::trackChanged);
        const double duration = current.value().timing.duration;
        if (!std::isfinite(command.position()) || !std::isfinite(duration) || duration <= 0)
            return PlayerError(Kind::invalidReply);
        path = QStringLiteral("/api/v1/seek-to");
        body = QMap<QString, double>{
            {QStringLiteral("seconds"), std::clamp(command.position(), 0.0, duration)}};
        break;
    }
    }
    const auto reply = fetch(path, Method::post, body);
    if (!reply.isSuccess())
        return *reply.localError();
    return std::monostate();
}
