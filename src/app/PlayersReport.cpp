#include "app/PlayersReport.h"

#include "artwork/ArtworkProviding.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "music/MusicController.h"
#include "platform/browser/BrowserHostAddress.h"
#include "platform/browser/BrowserHostServer.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "platform/desktop/Workspace.h"
#include "platform/storage/IniSettings.h"
#include "players/browser/BrowserMusicBridge.h"
#include "players/model/UnavailableBridge.h"
#include "players/model/VolumeController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// Players are asked as soon as the bus has listed them; a bus that does
// not list them in this time is not waited for any longer.
constexpr int kBusListingMs = 1000;
// The bridges give up after 4 s; past this, a player that has not
// answered is reported as not asked.
constexpr int kReportDeadlineMs = 5000;
// The browsers' hosts try to reach the program again every half second: the
// report listens from its start and waits this long for the host of each
// running browser that a row was connected through.
constexpr int kHostWaitMs = 1500;

// The report opens nothing.
class IdleWorkspace final : public Workspace
{
public:
    void openApplication(const ApplicationIdentity &, Completion) override {}
    void openUrlInApplication(const QUrl &, const ApplicationIdentity &) override {}
    void openUrl(const QUrl &, Completion) override {}
    void openFile(const QString &, Completion) override {}
    void revealFiles(const QStringList &) override {}
};

// Covers are not part of the report: none is downloaded.
class NoArtwork final : public ArtworkProviding
{
public:
    CancelHandle data(const QUrl &, Completion) override { return {}; }
};

// Passes everything on and says when a snapshot has been answered (after
// the controller has taken the answer in).
class AnswerWatch final : public PlayerBridging
{
public:
    AnswerWatch(std::unique_ptr<PlayerBridging> bridge, std::function<void()> answered)
        : m_bridge(std::move(bridge)), m_answered(std::move(answered))
    {}

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override
    {
        m_bridge->snapshot(processID, requestPermission,
                           [completion, answered = m_answered](PlayerSnapshotResult result) {
                               completion(std::move(result));
                               answered();
                           });
    }
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override
    {
        m_bridge->send(command, processID, std::move(completion));
    }
    bool announcesChanges() const override { return m_bridge->announcesChanges(); }
    void setChangeHandler(std::function<void()> onChange) override
    {
        m_bridge->setChangeHandler(std::move(onChange));
    }

private:
    std::unique_ptr<PlayerBridging> m_bridge;
    std::function<void()> m_answered;
};

// A running crest holds the browsers' connection: its socket accepts. The
// report must not take that socket over, so browsers are then not asked.
bool crestHoldsBrowsers()
{
    const int fd = BrowserHostAddress::connectToProgram();
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

// Each state's identifier (JSON) and the words a person reads (text).
struct StateText
{
    const char *name;
    const char *words;
};

StateText stateText(PlayerConnectionState state)
{
    switch (state) {
    case PlayerConnectionState::notRunning:
        return {"notRunning", "not running"};
    case PlayerConnectionState::needsPermission:
        return {"needsPermission", "waiting to be connected"};
    case PlayerConnectionState::denied:
        return {"denied", "connection refused"};
    case PlayerConnectionState::connecting:
        return {"connecting", "connecting"};
    case PlayerConnectionState::ready:
        return {"ready", "connected"};
    case PlayerConnectionState::unavailable:
        return {"unavailable", "not answering"};
    }
    return {"", ""};
}

QString clockText(double seconds)
{
    const int whole = int(std::max(0.0, seconds));
    return QString::asprintf("%d:%02d", whole / 60, whole % 60);
}

struct Row
{
    bool installed = false;
    bool running = false;
    bool answered = false;
    bool held = false; // a browser whose connection the running crest holds

    bool asked() const { return !running || (answered && !held); }
};

class Report
{
public:
    explicit Report(bool json) : m_json(json) {}

    void begin()
    {
        m_browsersHeld = crestHoldsBrowsers();
        if (!m_browsersHeld)
            BrowserHostServer::shared(); // listening from now on
        m_started.start();
        waitForHosts();
        MprisServiceDirectory &directory = MprisServiceDirectory::shared();
        if (directory.isReady()) {
            poll();
        } else {
            QObject::connect(&directory, &MprisServiceDirectory::ready, qApp, [this] { poll(); });
            QTimer::singleShot(kBusListingMs, [this] { poll(); });
        }
    }

private:
    // Whether every running browser that a row was connected through has its
    // host connected (or the running crest holds them all).
    bool hostsArrived() const
    {
        if (m_browsersHeld)
            return true;
        Settings &settings = IniSettings::shared();
        const auto connected = [&settings](MusicSource source) {
            return settings.value(BrowserMusicBridge::consentKey(source)).toBool();
        };
        const bool apple = connected(MusicSource::appleMusic);
        for (MusicSource source : MusicSource::allCases()) {
            const auto browser = source.isBrowser() ? source.processID() : std::nullopt;
            if (browser && (apple || connected(source)) &&
                !BrowserHostServer::shared().isConnected(*browser))
                return false;
        }
        return true;
    }

    void waitForHosts()
    {
        if (!hostsArrived() && m_started.elapsed() < kHostWaitMs) {
            QTimer::singleShot(100, [this] { waitForHosts(); });
            return;
        }
        m_hostsWaited = true;
        if (MprisServiceDirectory::shared().isReady() || m_started.elapsed() >= kBusListingMs)
            poll();
    }

    void poll()
    {
        if (m_controller || !m_hostsWaited)
            return;
        QTimer::singleShot(kReportDeadlineMs, [this] { finish(); });
        const bool browsersHeld = m_browsersHeld;
        m_rows.resize(MusicSource::allCases().size());
        auto players = MusicController::defaultPlayers(
            services(),
            [this, browsersHeld](MusicSource source, std::unique_ptr<PlayerBridging> bridge) {
                const size_t index = size_t(MusicSource::Case(source));
                Row &row = m_rows[index];
                row.installed = source.isInstalled();
                if (source.usesBrowserExtension() && browsersHeld) {
                    bridge = std::make_unique<UnavailableBridge>(PlayerError::browserReply(
                        QStringLiteral("Not asked: the running Velloway holds the connection to ") +
                        source.browserName() + QStringLiteral(".")));
                    row.held = true;
                }
                return std::make_unique<AnswerWatch>(std::move(bridge),
                                                     [this, index] { answered(index); });
            });
        m_controller = std::make_unique<MusicController>(IniSettings::shared(), services(),
                                                         std::move(players));
        m_controller->followOtherPlayers(MprisServiceDirectory::shared(),
                                         QDBusConnection::sessionBus());
        for (size_t i = 0; i < m_rows.size(); ++i) {
            const auto &player = m_controller->players()[i];
            m_rows[i].running = player->processID().has_value();
            player->load(false);
        }
        // Players besides the rows are on the bus already: they are read by
        // signal, so they are started rather than asked once.
        for (size_t i = m_rows.size(); i < m_controller->players().size(); ++i) {
            PlayerController &player = *m_controller->players()[i];
            QObject::connect(&player, &PlayerController::connectionStateChanged, qApp,
                             [this] { answered(m_rows.size()); });
            player.start();
        }
        answered(m_rows.size());
    }

    bool othersAnswered() const
    {
        const auto &players = m_controller->players();
        return std::all_of(players.begin() + qsizetype(m_rows.size()), players.end(),
                           [](const auto &p) {
                               return p->connectionState() != PlayerConnectionState::notRunning;
                           });
    }

    void answered(size_t index)
    {
        if (index < m_rows.size())
            m_rows[index].answered = true;
        if (!m_controller || !std::all_of(m_rows.begin(), m_rows.end(),
                                          [](const Row &r) { return !r.running || r.answered; }))
            return;
        if (!othersAnswered())
            return; // each tells when it has answered
        // After the music controller's queued reactions to the answers.
        QMetaObject::invokeMethod(
            qApp, [this] { finish(); }, Qt::QueuedConnection);
    }

    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        if (!m_controller) {
            QCoreApplication::exit(1);
            return;
        }
        const bool complete =
            std::all_of(m_rows.begin(), m_rows.end(), [](const Row &r) { return r.asked(); });
        const QByteArray text = m_json ? json() : lines();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
        QCoreApplication::exit(complete ? 0 : 1);
    }

    // A player besides the rows is on the bus, so it is running and asked.
    Row rowOf(size_t index) const
    {
        return index < m_rows.size() ? m_rows[index] : Row{true, true, true, false};
    }

    QString idOf(const PlayerController &player) const
    {
        const QString bus = m_controller->busName(player);
        return bus.isEmpty() ? player.source().rawValue() : bus;
    }

    QByteArray json() const
    {
        QJsonArray players;
        const auto &all = m_controller->players();
        for (size_t i = 0; i < all.size(); ++i) {
            const PlayerController &player = *all[i];
            const Row row = rowOf(i);
            QJsonObject entry{
                {QStringLiteral("source"), player.source().rawValue()},
                {QStringLiteral("name"), player.displayName()},
                {QStringLiteral("installed"), row.installed},
                {QStringLiteral("running"), row.running},
                {QStringLiteral("asked"), row.asked()},
                {QStringLiteral("state"),
                 QString::fromLatin1(stateText(player.connectionState()).name)},
                {QStringLiteral("statusMessage"),
                 player.statusMessage() ? QJsonValue(*player.statusMessage()) : QJsonValue()},
                {QStringLiteral("active"), &player == &m_controller->active()},
            };
            if (const QString bus = m_controller->busName(player); !bus.isEmpty())
                entry.insert(QStringLiteral("busName"), bus);
            if (player.hasCurrentItem()) {
                const auto &track = player.currentTrack();
                QJsonValue trackID;
                if (track && track->playbackID())
                    trackID = *track->playbackID();
                else if (track && track->spotifyURI())
                    trackID = *track->spotifyURI();
                const std::optional<int> volume = player.volume().level();
                QJsonObject song{
                    {QStringLiteral("title"), player.trackTitle()},
                    {QStringLiteral("artist"), player.artist()},
                    {QStringLiteral("album"), track ? track->album() : QString()},
                    {QStringLiteral("trackID"), trackID},
                    {QStringLiteral("volume"), volume ? QJsonValue(*volume) : QJsonValue()},
                    {QStringLiteral("canSeek"), player.canSeek()},
                    {QStringLiteral("playing"), player.isPlaying()},
                    {QStringLiteral("position"), player.elapsed()},
                    {QStringLiteral("duration"), player.duration()}};
                song.insert(QStringLiteral("artwork"),
                            player.artworkURL() ? QJsonValue(player.artworkURL()->toString())
                                                : QJsonValue());
                entry.insert(QStringLiteral("song"), song);
            }
            players.append(entry);
        }
        QJsonObject document{{QStringLiteral("active"), idOf(m_controller->active())},
                             {QStringLiteral("players"), players}};
        if (m_controller->otherPlayersLeftOut() > 0)
            document.insert(QStringLiteral("leftOut"), m_controller->otherPlayersLeftOut());
        return QJsonDocument(document).toJson(QJsonDocument::Indented);
    }

    QByteArray lines() const
    {
        QString out;
        const auto &all = m_controller->players();
        for (size_t i = 0; i < all.size(); ++i) {
            const PlayerController &player = *all[i];
            const Row row = rowOf(i);
            out += &player == &m_controller->active() ? QStringLiteral("* ") : QStringLiteral("  ");
            out += player.displayName();
            if (const QString bus = m_controller->busName(player); !bus.isEmpty())
                out += QStringLiteral(" (") + bus + QLatin1Char(')');
            out += QStringLiteral(": ");
            if (i < m_rows.size())
                out += row.installed ? QStringLiteral("installed, ")
                                     : QStringLiteral("not installed, ");
            if (row.running)
                out += QStringLiteral("running, ") +
                       QString::fromLatin1(stateText(player.connectionState()).words);
            else
                out += QStringLiteral("not running");
            if (!row.asked())
                out += QStringLiteral(" (not asked)");
            if (player.statusMessage() && row.running)
                out += QStringLiteral(": ") + *player.statusMessage();
            if (player.hasCurrentItem()) {
                const QString by = player.artist().isEmpty()
                                       ? QString()
                                       : QStringLiteral(" by ") + player.artist();
                out += QStringLiteral(". %1 \u201C%2\u201D%3, %4 of %5")
                           .arg(player.isPlaying() ? QStringLiteral("Playing")
                                                   : QStringLiteral("Paused"),
                                player.trackTitle(), by, clockText(player.elapsed()),
                                clockText(player.duration()));
            }
            out += QLatin1Char('\n');
        }
        if (const int left = m_controller->otherPlayersLeftOut(); left > 0)
            out += QStringLiteral("(%1 more players on the bus were left out)\n").arg(left);
        out += QStringLiteral("(* the player the crest would show)\n");
        return out.toUtf8();
    }

    PlayerController::Services services()
    {
        return {TimerScheduler::shared(), SystemClock::shared(), m_workspace};
    }

    const bool m_json;
    bool m_browsersHeld = false;
    bool m_hostsWaited = false;
    QElapsedTimer m_started;
    IdleWorkspace m_workspace;
    std::vector<Row> m_rows;
    std::unique_ptr<MusicController> m_controller;
    bool m_finished = false;
};

} // namespace

bool PlayersReport::isRequested(const QStringList &arguments)
{
    return arguments.mid(1).contains(QStringLiteral("--players"));
}

int PlayersReport::run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Report report(QCoreApplication::arguments().contains(QStringLiteral("--json")));
    report.begin();
    return QCoreApplication::exec();
}
