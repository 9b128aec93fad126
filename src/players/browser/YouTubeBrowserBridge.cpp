#include "players/browser/YouTubeBrowserBridge.h"

#include "core/SystemClock.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserHostServer.h"
#include "platform/browser/BrowserScriptTransport.h"
#include "platform/storage/IniSettings.h"
#include "players/browser/YouTubePlayback.h"
#include "scripting/ScriptTerms.h"

#include <algorithm>
#include <mutex>

using namespace ScriptTerms;
using Kind = PlayerError::Kind;

namespace {

const QString kIncompleteDetails =
    QStringLiteral("The YouTube Music tab returned incomplete playback details.");

} // namespace

YouTubeBrowserBridge::YouTubeBrowserBridge(MusicSource source,
                                           std::unique_ptr<ScriptTransport> transport,
                                           const Clock &clock, Settings &settings)
    : m_source(source), m_transport(std::move(transport)), m_clock(clock), m_settings(settings),
      m_context(std::make_unique<QObject>())
{}

YouTubeBrowserBridge::~YouTubeBrowserBridge() = default;

std::unique_ptr<YouTubeBrowserBridge> YouTubeBrowserBridge::create(MusicSource source)
{
    static std::once_flag installed;
    std::call_once(installed,
                   [] { BrowserHostInstaller::installForUser(YouTubePlayback::functionSource()); });
    BrowserHostServer &server = BrowserHostServer::shared();
    return std::make_unique<YouTubeBrowserBridge>(
        source, std::make_unique<BrowserScriptTransport>(server, YouTubePlayback::program()),
        SystemClock::shared(), IniSettings::shared());
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

ScriptDescriptor YouTubeBrowserBridge::tab(qint32 index, const ScriptDescriptor &window)
{
    return ScriptReference::element(kChromiumTabClass, index, window);
}

PlayerSnapshotResult YouTubeBrowserBridge::readSnapshot(qint32 processID, bool requestPermission)
{
    // The browser is never scripted before the user connected it.
    if (!requestPermission && !m_settings.value(consentKey(m_source)).toBool())
        return PlayerError(Kind::permissionRequired);
    ScriptExchange exchange(*m_transport, m_clock, processID);
    if (const auto denied = exchange.checkPermission(requestPermission))
        return *denied;
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
    const Seconds deadline = exchange.now() + kSnapshotBudget;

    std::optional<Candidate> candidate;
    if (m_lastTab) {
        bool reread = false;
        if (isMusic(exchange, *m_lastTab, deadline)) {
            const auto result = read(exchange, *m_lastTab, deadline);
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

    if (!m_nextScan || exchange.now() >= *m_nextScan) {
        if (auto outcome = scan(exchange, deadline, candidate))
            return std::move(*outcome);
    }

    m_lastTab = candidate ? std::optional(candidate->tab) : std::nullopt;
    m_lastID = candidate ? candidate->snapshot.playbackID : std::nullopt;
    return candidate ? candidate->snapshot : PlayerSnapshot();
}

std::optional<PlayerSnapshotResult> YouTubeBrowserBridge::scan(ScriptExchange &exchange,
                                                               Seconds deadline,
                                                               std::optional<Candidate> &candidate)
{
    const auto windows = exchange.get(ScriptReference::element(kWindowClass, 0), deadline);
    if (!windows.isSuccess()) {
        const PlayerError &error = *windows.localError();
        if (error.kind() != Kind::appleEvent)
            return PlayerSnapshotResult(error);
        // Here a browser refuses scripts when its extension is not
        // connected, and the listing is the first thing every scan asks.
        if (error.code() == ScriptError::kScriptsRefused)
            return PlayerSnapshotResult(PlayerError(Kind::browserSetup));
        return PlayerSnapshotResult(
            PlayerError::browserReply(QStringLiteral("Browser window access failed (") +
                                      QString::number(error.code()) + QStringLiteral(").")));
    }
    if (windows.value().kind() != ScriptDescriptor::Kind::list)
        return PlayerSnapshotResult(PlayerError(Kind::invalidReply));

    std::optional<PlayerError> remembered;
    const auto &windowList = windows.value().items();
    const size_t windowCount = std::min(windowList.size(), size_t(kMaxWindows));
    for (size_t w = 0; w < windowCount; ++w) {
        const ScriptDescriptor &window = windowList[w];
        if (window.recordType() != kObjectReference)
            break;
        if (!exchange.hasTimeLeft(deadline)) {
            remembered = PlayerError(Kind::timeout);
            continue;
        }
        const auto addresses =
            exchange.get(ScriptReference::property(kChromiumTabAddress, tab(0, window)), deadline);
        if (!addresses.isSuccess()) {
            remembered =
                addresses.localError() ? *addresses.localError() : PlayerError(Kind::invalidReply);
            continue;
        }
        if (addresses.value().kind() != ScriptDescriptor::Kind::list) {
            remembered = PlayerError(Kind::invalidReply);
            continue;
        }
        const auto &tabs = addresses.value().items();
        const size_t tabCount = std::min(tabs.size(), size_t(kMaxTabsPerWindow));
        for (size_t t = 0; t < tabCount; ++t) {
            const auto address = tabs[t].stringValue();
            if (!address)
                break;
            if (!YouTubePlayback::isMusicURL(*address))
                continue;
            const ScriptDescriptor found = tab(qint32(t + 1), window);
            auto result = read(exchange, found, deadline);
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
    m_nextScan = exchange.now() + kScanInterval;
    return std::nullopt;
}

bool YouTubeBrowserBridge::isMusic(ScriptExchange &exchange, const ScriptDescriptor &tab,
                                   Seconds deadline)
{
    const auto address =
        exchange.get(ScriptReference::property(kChromiumTabAddress, tab), deadline);
    if (!address.isSuccess())
        return false;
    const auto text = address.value().stringValue();
    return text && YouTubePlayback::isMusicURL(*text);
}

PlayerResult<QByteArray> YouTubeBrowserBridge::execute(ScriptExchange &exchange,
                                                       const ScriptDescriptor &tab,
                                                       const QString &script, Seconds deadline)
{
    const Seconds left = deadline - exchange.now();
    if (left <= Seconds(0))
        return PlayerError(Kind::timeout);
    ScriptEvent event(kChromiumSuite, kChromiumExecute);
    event.setParameter(kDirectObject, tab);
    event.setParameter(kChromiumScriptText, ScriptDescriptor::text(script));
    const auto reply = exchange.send(event, std::min(ScriptExchange::kMaxEventWait, left));
    if (!reply.isSuccess()) {
        const PlayerError &error = *reply.localError();
        if (error.kind() != Kind::appleEvent)
            return error;
        // Firefox (the `safari` row) keeps Safari's answer to a refused
        // script: the code, in words the user can act on.
        if (error.code() == ScriptError::kScriptsRefused && m_source != MusicSource::safari)
            return PlayerError(Kind::browserSetup);
        const QString browser = m_source.browserName();
        return PlayerError::browserReply(
            browser + QStringLiteral(" rejected the playback request (") +
            QString::number(error.code()) +
            QStringLiteral("). Check Velloway\u2019s extension in ") + browser + u'.');
    }
    const auto text =
        reply.value().parameter(kDirectObject).value_or(ScriptDescriptor()).stringValue();
    const QByteArray bytes = text ? text->toUtf8() : QByteArray();
    if (!text || bytes.size() > YouTubePlayback::kMaxReplyBytes)
        return PlayerError::browserReply(
            QStringLiteral("The browser returned no playback result."));
    return bytes;
}

PlayerSnapshotResult YouTubeBrowserBridge::read(ScriptExchange &exchange,
                                                const ScriptDescriptor &tab, Seconds deadline)
{
    const auto script = YouTubePlayback::script(std::nullopt, std::nullopt);
    const auto reply = execute(exchange, tab, script.value(), deadline);
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
    ScriptExchange exchange(*m_transport, m_clock, processID);
    const Seconds deadline = exchange.now() + kCommandBudget;
    if (!isMusic(exchange, *m_lastTab, deadline))
        return PlayerError(Kind::trackChanged);
    const auto script = YouTubePlayback::script(command, m_lastID);
    if (!script.isSuccess())
        return *script.localError();
    const auto reply = execute(exchange, *m_lastTab, script.value(), deadline);
    if (!reply.isSuccess())
        return *reply.localError();
    const auto decoded = YouTubePlayback::snapshot(reply.value());
    if (const auto *error = decoded.localError())
        return *error;
    if (const auto *other = decoded.otherError())
        return *other;
    return std::monostate();
}
