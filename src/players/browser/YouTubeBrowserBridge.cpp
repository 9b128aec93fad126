#include "players/browser/YouTubeBrowserBridge.h"

#include "core/SystemClock.h"
#include "platform/browser/BrowserExtensionChannel.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserHostServer.h"
#include "platform/storage/IniSettings.h"
#include "platform/storage/LocalFileStorage.h"
#include "players/browser/YouTubePlayback.h"

#include <algorithm>
#include <mutex>

using Kind = PlayerError::Kind;
using Error = BrowserPlayerChannel::Error;

namespace {

const QString kIncompleteDetails =
    QStringLiteral("The YouTube Music tab returned incomplete playback details.");

// The numbers these messages have always shown, so that what users quote
// from them still means the same.
QString errorNumber(Error error)
{
    return QString::number(error == Error::notConnected ? 12
                           : error == Error::noTab      ? -1728
                                                        : -10000);
}

// Failures that read the same whatever was asked.
std::optional<PlayerError> sharedError(Error error)
{
    if (error == Error::notRunning)
        return PlayerError(Kind::notRunning);
    if (error == Error::timedOut)
        return PlayerError(Kind::timeout);
    return std::nullopt;
}

// What a failed listing of the windows tells the user. It is the first thing
// every scan asks, so an extension that is not connected shows here.
PlayerError listingError(Error error)
{
    if (const auto shared = sharedError(error))
        return *shared;
    if (error == Error::notConnected)
        return Kind::browserSetup;
    if (error == Error::malformed)
        return Kind::invalidReply;
    return PlayerError::browserReply(QStringLiteral("Browser window access failed (") +
                                     errorNumber(error) + QStringLiteral(")."));
}

} // namespace

YouTubeBrowserBridge::YouTubeBrowserBridge(MusicSource source,
                                           std::unique_ptr<BrowserPlayerChannel> channel,
                                           const Clock &clock, Settings &settings)
    : m_source(source), m_channel(std::move(channel)), m_clock(clock), m_settings(settings),
      m_context(std::make_unique<QObject>())
{}

YouTubeBrowserBridge::~YouTubeBrowserBridge() = default;

std::unique_ptr<YouTubeBrowserBridge> YouTubeBrowserBridge::create(MusicSource source)
{
    auto bridge = std::make_unique<YouTubeBrowserBridge>(
        source, std::make_unique<BrowserExtensionChannel>(BrowserHostServer::shared()),
        SystemClock::shared(), IniSettings::shared());
    bridge->setConnectPreparation([] {
        BrowserHostInstaller::installManifests(BrowserHostInstaller::hostExecutable(),
                                               BrowserHostInstaller::hostFolders(),
                                               LocalFileStorage::shared());
    });
    return bridge;
}

void YouTubeBrowserBridge::installForUser()
{
    static std::once_flag installed;
    std::call_once(installed,
                   [] { BrowserHostInstaller::installForUser(YouTubePlayback::functionSource()); });
}

QString YouTubeBrowserBridge::consentKey(MusicSource source)
{
    return QStringLiteral("music.browser.") + source.rawValue() + QStringLiteral(".enabled");
}

void YouTubeBrowserBridge::snapshot(qint32 processID, bool requestPermission,
                                    SnapshotCompletion completion)
{
    m_worker.post(
        m_context.get(),
        [this, processID, requestPermission] { return readSnapshot(processID, requestPermission); },
        std::move(completion));
}

void YouTubeBrowserBridge::send(const PlayerCommand &command, qint32 processID,
                                SendCompletion completion)
{
    m_worker.post(
        m_context.get(), [this, command, processID] { return perform(command, processID); },
        std::move(completion));
}

std::optional<Seconds> YouTubeBrowserBridge::waitBefore(Seconds deadline) const
{
    const Seconds left = deadline - m_clock.now();
    if (left <= Seconds(0))
        return std::nullopt;
    return std::min(kMaxRequestWait, left);
}

PlayerSnapshotResult YouTubeBrowserBridge::readSnapshot(qint32 processID, bool requestPermission)
{
    // The browser is never asked anything before the user connected it.
    if (!requestPermission && !m_settings.value(consentKey(m_source)).toBool())
        return PlayerError(Kind::permissionRequired);
    if (requestPermission && m_prepare)
        m_prepare();
    // A process identifier that names no process gives no browser to ask.
    if (processID <= 0)
        return PlayerError(Kind::invalidReply);
    if (!m_channel->isRunning(processID))
        return PlayerError(Kind::notRunning);
    if (requestPermission) {
        m_settings.setValue(consentKey(m_source), true);
        m_nextScan.reset();
    }
    if (m_lastPID != processID) {
        m_lastTab.reset();
        m_lastID.reset();
        m_nextScan.reset();
        m_lastPID = processID;
    }
    const Seconds deadline = m_clock.now() + kSnapshotBudget;

    std::optional<Candidate> candidate;
    if (m_lastTab) {
        bool reread = false;
        if (isMusic(processID, *m_lastTab, deadline)) {
            const auto result = read(processID, *m_lastTab, deadline);
            if (result.isSuccess()) {
                if (result.value().isPlaying) {
                    m_lastID = result.value().playbackID;
                    return result;
                }
                candidate = Candidate{*m_lastTab, result.value()};
                reread = true;
            }
        }
        if (!reread)
            m_nextScan.reset(); // the tab is gone or unreadable: scan at once
    }

    if (!m_nextScan || m_clock.now() >= *m_nextScan) {
        if (auto outcome = scan(processID, deadline, candidate))
            return std::move(*outcome);
    }

    m_lastTab = candidate ? std::optional(candidate->tab) : std::nullopt;
    m_lastID = candidate ? candidate->snapshot.playbackID : std::nullopt;
    return candidate ? candidate->snapshot : PlayerSnapshot();
}

std::optional<PlayerSnapshotResult> YouTubeBrowserBridge::scan(qint32 processID, Seconds deadline,
                                                               std::optional<Candidate> &candidate)
{
    const auto wait = waitBefore(deadline);
    if (!wait)
        return PlayerSnapshotResult(PlayerError(Kind::timeout));
    const auto windows = m_channel->windows(processID, *wait);
    if (const auto *error = std::get_if<Error>(&windows))
        return PlayerSnapshotResult(listingError(*error));

    std::optional<PlayerError> remembered;
    const auto &windowList = std::get<std::vector<BrowserPlayerChannel::Window>>(windows);
    const size_t windowCount = std::min(windowList.size(), size_t(kMaxWindows));
    for (size_t w = 0; w < windowCount; ++w) {
        if (!waitBefore(deadline)) {
            remembered = PlayerError(Kind::timeout);
            continue;
        }
        const QStringList &addresses = windowList[w].addresses;
        const qsizetype tabCount = std::min(addresses.size(), qsizetype(kMaxTabsPerWindow));
        for (qsizetype t = 0; t < tabCount; ++t) {
            if (!YouTubePlayback::isMusicURL(addresses[t]))
                continue;
            const Tab found{windowList[w].id, qint32(t)};
            auto result = read(processID, found, deadline);
            if (!result.isSuccess())
                return result;
            if (result.value().isPlaying) {
                m_lastTab = found;
                m_lastID = result.value().playbackID;
                return result;
            }
            if (!candidate && !result.value().title.isEmpty())
                candidate = Candidate{found, result.value()};
        }
    }
    if (!candidate && remembered)
        return PlayerSnapshotResult(*remembered);
    m_nextScan = m_clock.now() + kScanInterval;
    return std::nullopt;
}

bool YouTubeBrowserBridge::isMusic(qint32 processID, const Tab &tab, Seconds deadline)
{
    const auto wait = waitBefore(deadline);
    if (!wait)
        return false;
    const auto address = m_channel->address(processID, tab, *wait);
    const auto *text = std::get_if<QString>(&address);
    return text && YouTubePlayback::isMusicURL(*text);
}

PlayerResult<QJsonObject> YouTubeBrowserBridge::run(qint32 processID, const Tab &tab,
                                                    const QJsonObject &action, Seconds deadline)
{
    const auto wait = waitBefore(deadline);
    if (!wait)
        return PlayerError(Kind::timeout);
    auto reply = m_channel->run(processID, tab, action, *wait);
    if (auto *result = std::get_if<QJsonObject>(&reply))
        return std::move(*result);
    const Error error = std::get<Error>(reply);
    if (const auto shared = sharedError(error))
        return *shared;
    if (error == Error::malformed)
        return PlayerError::browserReply(
            QStringLiteral("The browser returned no playback result."));
    // Firefox (the `safari` row) keeps Safari's answer to a refused request:
    // the number, in words the user can act on.
    if (error == Error::notConnected && m_source != MusicSource::safari)
        return PlayerError(Kind::browserSetup);
    const QString browser = m_source.browserName();
    return PlayerError::browserReply(
        browser + QStringLiteral(" rejected the playback request (") + errorNumber(error) +
        QStringLiteral("). Check Velloway\u2019s extension in ") + browser + u'.');
}

PlayerSnapshotResult YouTubeBrowserBridge::read(qint32 processID, const Tab &tab, Seconds deadline)
{
    const auto reply =
        run(processID, tab, YouTubePlayback::action(std::nullopt, std::nullopt).value(), deadline);
    if (!reply.isSuccess())
        return *reply.localError();
    auto snapshot = YouTubePlayback::snapshot(reply.value());
    if (!snapshot.isSuccess())
        return PlayerError::browserReply(kIncompleteDetails);
    return snapshot;
}

PlayerSendResult YouTubeBrowserBridge::perform(const PlayerCommand &command, qint32 processID)
{
    // Commands go only to the tab the last poll found, and name its song.
    if (m_lastPID != processID || !m_lastTab)
        return PlayerError(Kind::trackChanged);
    const Seconds deadline = m_clock.now() + kCommandBudget;
    if (!isMusic(processID, *m_lastTab, deadline))
        return PlayerError(Kind::trackChanged);
    const auto action = YouTubePlayback::action(command, m_lastID);
    if (!action.isSuccess())
        return *action.localError();
    const auto reply = run(processID, *m_lastTab, action.value(), deadline);
    if (!reply.isSuccess())
        return *reply.localError();
    const auto decoded = YouTubePlayback::snapshot(reply.value());
    if (const auto *error = decoded.localError())
        return *error;
    if (const auto *other = decoded.otherError())
        return *other;
    return std::monostate();
}
