#include "players/browser/BrowserMusicBridge.h"

#include "artwork/AppleMusicArtworkPolicy.h"
#include "core/SystemClock.h"
#include "platform/browser/BrowserExtensionChannel.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserHostServer.h"
#include "platform/storage/IniSettings.h"
#include "platform/storage/LocalFileStorage.h"
#include "players/browser/AppleMusicPlayback.h"
#include "players/browser/PlaybackChoice.h"
#include "players/browser/YouTubePlayback.h"

#include <QGuiApplication>
#include <QScreen>

#include <mutex>

using Kind = PlayerError::Kind;

BrowserMusicBridge::BrowserMusicBridge(MusicSource source,
                                       std::unique_ptr<BrowserPlayerChannel> channel,
                                       const Clock &clock, Settings &settings, int coverSide)
    : m_source(source), m_acrossBrowsers(source == MusicSource::appleMusic),
      m_site(m_acrossBrowsers ? AppleMusicPlayback::site(coverSide) : YouTubePlayback::site()),
      m_channel(std::move(channel)), m_clock(clock), m_settings(settings),
      m_context(std::make_unique<QObject>())
{}

BrowserMusicBridge::~BrowserMusicBridge() = default;

std::unique_ptr<BrowserMusicBridge> BrowserMusicBridge::create(MusicSource source)
{
    // Without a display (a look at the players) covers are asked at one
    // pixel per point.
    const auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    const QScreen *screen = gui ? QGuiApplication::primaryScreen() : nullptr;
    auto bridge = std::make_unique<BrowserMusicBridge>(
        source, std::make_unique<BrowserExtensionChannel>(BrowserHostServer::shared()),
        SystemClock::shared(), IniSettings::shared(),
        AppleMusicArtworkPolicy::coverSide(screen ? screen->devicePixelRatio() : 1.0));
    bridge->setConnectPreparation([] {
        BrowserHostInstaller::installManifests(BrowserHostInstaller::hostExecutable(),
                                               BrowserHostInstaller::hostFolders(),
                                               LocalFileStorage::shared());
    });
    return bridge;
}

void BrowserMusicBridge::installForUser()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        BrowserHostInstaller::installForUser(YouTubePlayback::functionSource() + "\n\n" +
                                             AppleMusicPlayback::functionSource());
    });
}

QString BrowserMusicBridge::consentKey(MusicSource source)
{
    return QStringLiteral("music.browser.") + source.rawValue() + QStringLiteral(".enabled");
}

void BrowserMusicBridge::snapshot(qint32 processID, bool requestPermission,
                                  SnapshotCompletion completion)
{
    m_worker.post(
        m_context.get(),
        [this, processID, requestPermission] { return readSnapshot(processID, requestPermission); },
        std::move(completion));
}

void BrowserMusicBridge::send(const PlayerCommand &command, qint32 processID,
                              SendCompletion completion)
{
    m_worker.post(
        m_context.get(), [this, command, processID] { return perform(command, processID); },
        std::move(completion));
}

BrowserTabFollower &BrowserMusicBridge::follower(qint32 browser)
{
    auto &follower = m_followers[browser];
    if (!follower)
        follower = std::make_unique<BrowserTabFollower>(m_source, m_site, *m_channel, m_clock);
    return *follower;
}

PlayerSnapshotResult BrowserMusicBridge::readSnapshot(qint32 processID, bool requestPermission)
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
        for (auto &[browser, follower] : m_followers)
            follower->scanSoon();
    }
    const Seconds deadline = m_clock.now() + kSnapshotBudget;
    if (!m_acrossBrowsers)
        return follower(0).snapshot(processID, deadline);
    return readAcrossBrowsers(deadline);
}

PlayerSnapshotResult BrowserMusicBridge::readAcrossBrowsers(Seconds deadline)
{
    const std::vector<qint32> browsers = m_channel->connectedBrowsers();
    // A browser that left takes its tabs with it.
    std::erase_if(m_followers, [&browsers](const auto &entry) {
        return std::find(browsers.begin(), browsers.end(), entry.first) == browsers.end();
    });
    if (browsers.empty())
        return PlayerError(Kind::browserSetup);

    PlaybackChoice<qint32> choice(m_lastBrowser);
    std::optional<PlayerSnapshotResult> failure;
    for (qint32 browser : browsers) {
        auto result = follower(browser).snapshot(browser, deadline);
        if (!result.isSuccess()) {
            failure = std::move(result); // the last one, as in a scan of windows
            continue;
        }
        if (choice.offer(browser, result.value()))
            break;
    }
    const auto &chosen = choice.chosen();
    if (!chosen && failure)
        return std::move(*failure);
    m_lastBrowser = chosen ? std::optional(chosen->first) : std::nullopt;
    return chosen ? chosen->second : PlayerSnapshot();
}

PlayerSendResult BrowserMusicBridge::perform(const PlayerCommand &command, qint32 processID)
{
    const Seconds deadline = m_clock.now() + kCommandBudget;
    if (!m_acrossBrowsers)
        return follower(0).perform(command, processID, deadline);
    // Commands go to the browser the last poll chose.
    const auto found = m_lastBrowser ? m_followers.find(*m_lastBrowser) : m_followers.end();
    if (found == m_followers.end())
        return PlayerError(Kind::trackChanged);
    return found->second->perform(command, found->first, deadline);
}
