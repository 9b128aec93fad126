#include "players/browser/BrowserTabFollower.h"

#include <algorithm>

using Kind = PlayerError::Kind;
using Error = BrowserPlayerChannel::Error;

namespace {

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

BrowserTabFollower::BrowserTabFollower(MusicSource source, const BrowserSite &site,
                                       BrowserPlayerChannel &channel, const Clock &clock)
    : m_source(source), m_site(site), m_channel(channel), m_clock(clock)
{}

std::optional<Seconds> BrowserTabFollower::waitBefore(Seconds deadline) const
{
    const Seconds left = deadline - m_clock.now();
    if (left <= Seconds(0))
        return std::nullopt;
    return std::min(kMaxRequestWait, left);
}

PlayerSnapshotResult BrowserTabFollower::snapshot(qint32 processID, Seconds deadline)
{
    if (m_lastPID != processID) {
        m_lastTab.reset();
        m_lastID.reset();
        m_nextScan.reset();
        m_lastPID = processID;
    }

    // The tab followed so far stays the candidate, whatever its title.
    PlaybackChoice<Tab> choice(m_lastTab);
    if (m_lastTab) {
        bool reread = false;
        if (isSite(processID, *m_lastTab, deadline)) {
            const auto result = read(processID, *m_lastTab, deadline);
            if (result.isSuccess()) {
                if (choice.offer(*m_lastTab, result.value())) {
                    m_lastID = result.value().playbackID;
                    return result;
                }
                reread = true;
            }
        }
        if (!reread)
            m_nextScan.reset(); // the tab is gone or unreadable: scan at once
    }

    if (!m_nextScan || m_clock.now() >= *m_nextScan) {
        if (auto outcome = scan(processID, deadline, choice))
            return std::move(*outcome);
    }

    const auto &chosen = choice.chosen();
    m_lastTab = chosen ? std::optional(chosen->first) : std::nullopt;
    m_lastID = chosen ? chosen->second.playbackID : std::nullopt;
    return chosen ? chosen->second : PlayerSnapshot();
}

std::optional<PlayerSnapshotResult> BrowserTabFollower::scan(qint32 processID, Seconds deadline,
                                                             PlaybackChoice<Tab> &choice)
{
    const auto wait = waitBefore(deadline);
    if (!wait)
        return PlayerSnapshotResult(PlayerError(Kind::timeout));
    const auto windows = m_channel.windows(processID, *wait);
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
            if (!m_site.isSiteURL(addresses[t]))
                continue;
            const Tab found{windowList[w].id, qint32(t)};
            auto result = read(processID, found, deadline);
            if (!result.isSuccess()) {
                // A page that answered unusably (half loaded, odd) must not
                // hide the site's other tabs; a browser that failed ends it.
                const PlayerError *error = result.localError();
                if (!error || error->kind() != Kind::browserReply ||
                    error->message() != m_site.incompleteDetails)
                    return result;
                remembered = *error;
                continue;
            }
            if (choice.offer(found, result.value())) {
                m_lastTab = found;
                m_lastID = result.value().playbackID;
                return result;
            }
        }
    }
    if (!choice.chosen() && remembered)
        return PlayerSnapshotResult(*remembered);
    m_nextScan = m_clock.now() + kScanInterval;
    return std::nullopt;
}

bool BrowserTabFollower::isSite(qint32 processID, const Tab &tab, Seconds deadline)
{
    const auto wait = waitBefore(deadline);
    if (!wait)
        return false;
    const auto address = m_channel.address(processID, tab, *wait);
    const auto *text = std::get_if<QString>(&address);
    return text && m_site.isSiteURL(*text);
}

PlayerResult<QJsonObject> BrowserTabFollower::run(qint32 processID, const Tab &tab,
                                                  const QJsonObject &action, Seconds deadline)
{
    const auto wait = waitBefore(deadline);
    if (!wait)
        return PlayerError(Kind::timeout);
    auto reply = m_channel.run(processID, tab, action, *wait);
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
    // A row that follows its site across browsers names no one browser.
    const bool named = m_source.isBrowser();
    return PlayerError::browserReply(
        (named ? m_source.browserName() : QStringLiteral("The browser")) +
        QStringLiteral(" rejected the playback request (") + errorNumber(error) +
        QStringLiteral("). Check Velloway\u2019s extension in ") +
        (named ? m_source.browserName() : QStringLiteral("your browser")) + u'.');
}

PlayerSnapshotResult BrowserTabFollower::read(qint32 processID, const Tab &tab, Seconds deadline)
{
    const auto reply =
        run(processID, tab, m_site.action(std::nullopt, std::nullopt).value(), deadline);
    if (!reply.isSuccess())
        return *reply.localError();
    auto snapshot = m_site.snapshot(reply.value());
    if (!snapshot.isSuccess())
        return PlayerError::browserReply(m_site.incompleteDetails);
    return snapshot;
}

PlayerSendResult BrowserTabFollower::perform(const PlayerCommand &command, qint32 processID,
                                             Seconds deadline)
{
    // Commands go only to the tab the last poll found, and name its song.
    if (m_lastPID != processID || !m_lastTab)
        return PlayerError(Kind::trackChanged);
    if (!isSite(processID, *m_lastTab, deadline))
        return PlayerError(Kind::trackChanged);
    const auto action = m_site.action(command, m_lastID);
    if (!action.isSuccess())
        return *action.localError();
    const auto reply = run(processID, *m_lastTab, action.value(), deadline);
    const auto decoded = reply.isSuccess() ? m_site.snapshot(reply.value()) : *reply.localError();
    if (decoded.isSuccess())
        return std::monostate();
    const PlayerError *error = decoded.localError();
    // A tab that left the site during the call is gone, like its song: the
    // controller reads afresh rather than showing a failure.
    const bool mayHaveLeft =
        !error || (error->kind() != Kind::trackChanged && error->kind() != Kind::timeout &&
                   error->kind() != Kind::notRunning);
    if (mayHaveLeft && !isSite(processID, *m_lastTab, deadline))
        return PlayerError(Kind::trackChanged);
    if (error)
        return *error;
    return *decoded.otherError();
}
