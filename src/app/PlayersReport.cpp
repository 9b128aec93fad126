#include "app/PlayersReport.h"

#include "artwork/ArtworkProviding.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "music/MusicBridges.h"
#include "music/MusicController.h"
#include "platform/browser/BrowserHostAddress.h"
#include "platform/desktop/Workspace.h"
#include "platform/storage/IniSettings.h"
#include "players/model/UnavailableBridge.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// The session bus tells which process owns each player's service only
// after the first lookup asked; players are polled once it has answered.
constexpr int kBusSettleMs = 500;
// The bridges give up after 4 s; past this, a player that has not
// answered is reported as not asked.
constexpr int kReportDeadlineMs = 5000;

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

QString stateName(PlayerConnectionState state)
{
    switch (state) {
    case PlayerConnectionState::notRunning:
        return QStringLiteral("notRunning");
    case PlayerConnectionState::needsPermission:
        return QStringLiteral("needsPermission");
    case PlayerConnectionState::denied:
        return QStringLiteral("denied");
    case PlayerConnectionState::connecting:
        return QStringLiteral("connecting");
    case PlayerConnectionState::ready:
        return QStringLiteral("ready");
    case PlayerConnectionState::unavailable:
        return QStringLiteral("unavailable");
    }
    return {};
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
        // The first lookups make the session bus tell who owns each player.
        for (MusicSource source : MusicSource::allCases())
            source.processID();
        QTimer::singleShot(kBusSettleMs, [this] { poll(); });
        QTimer::singleShot(kReportDeadlineMs, [this] { finish(); });
    }

private:
    void poll()
    {
        const bool browsersHeld = crestHoldsBrowsers();
        MusicController::Players players;
        for (MusicSource source : MusicSource::allCases()) {
            const size_t index = m_rows.size();
            Row &row = m_rows.emplace_back();
            row.installed = source.isInstalled();
            std::unique_ptr<PlayerBridging> bridge;
            if (source.isBrowser() && browsersHeld) {
                bridge = std::make_unique<UnavailableBridge>(PlayerError::browserReply(
                    QStringLiteral("Not asked: the running Velloway holds the connection to ") +
                    source.browserName() + QStringLiteral(".")));
                row.held = true;
            } else {
                bridge = MusicBridges::make(source);
            }
            players.push_back(std::make_unique<PlayerController>(
                source,
                std::make_unique<AnswerWatch>(std::move(bridge),
                                              [this, index] { answered(index); }),
                std::make_unique<NoArtwork>(), services()));
        }
        m_controller = std::make_unique<MusicController>(IniSettings::shared(), services(),
                                                         std::move(players));
        for (size_t i = 0; i < m_rows.size(); ++i) {
            // Asked just before the poll, which asks the same lookup again at once.
            m_rows[i].running = MusicSource::allCases()[i].processID().has_value();
            m_controller->players()[i]->load(false);
        }
        answered(m_rows.size());
    }

    void answered(size_t index)
    {
        if (index < m_rows.size())
            m_rows[index].answered = true;
        if (std::all_of(m_rows.begin(), m_rows.end(),
                        [](const Row &r) { return !r.running || r.answered; }))
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

    QByteArray json() const
    {
        QJsonArray players;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            const PlayerController &player = *m_controller->players()[i];
            QJsonObject entry{
                {QStringLiteral("source"), player.source().rawValue()},
                {QStringLiteral("name"), player.source().displayName()},
                {QStringLiteral("installed"), m_rows[i].installed},
                {QStringLiteral("running"), m_rows[i].running},
                {QStringLiteral("asked"), m_rows[i].asked()},
                {QStringLiteral("state"), stateName(player.connectionState())},
                {QStringLiteral("statusMessage"),
                 player.statusMessage() ? QJsonValue(*player.statusMessage()) : QJsonValue()},
                {QStringLiteral("active"), &player == &m_controller->active()},
            };
            if (player.hasCurrentItem())
                entry.insert(QStringLiteral("song"),
                             QJsonObject{{QStringLiteral("title"), player.trackTitle()},
                                         {QStringLiteral("artist"), player.artist()},
                                         {QStringLiteral("playing"), player.isPlaying()},
                                         {QStringLiteral("position"), player.elapsed()},
                                         {QStringLiteral("duration"), player.duration()}});
            players.append(entry);
        }
        return QJsonDocument(QJsonObject{{QStringLiteral("active"),
                                          m_controller->active().source().rawValue()},
                                         {QStringLiteral("players"), players}})
            .toJson(QJsonDocument::Indented);
    }

    QByteArray lines() const
    {
        QString out;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            const PlayerController &player = *m_controller->players()[i];
            const Row &row = m_rows[i];
            out += &player == &m_controller->active() ? QStringLiteral("* ") : QStringLiteral("  ");
            out += player.source().displayName() + QStringLiteral(": ");
            out +=
                row.installed ? QStringLiteral("installed, ") : QStringLiteral("not installed, ");
            out += row.running ? QStringLiteral("running, ") : QStringLiteral("not running, ");
            out += stateName(player.connectionState());
            if (!row.asked())
                out += QStringLiteral(" (not asked)");
            if (player.statusMessage())
                out += QStringLiteral(": ") + *player.statusMessage();
            if (player.hasCurrentItem())
                out += QStringLiteral(". %1 \u201C%2\u201D by %3, %4 of %5")
                           .arg(player.isPlaying() ? QStringLiteral("Playing")
                                                   : QStringLiteral("Paused"),
                                player.trackTitle(), player.artist(), clockText(player.elapsed()),
                                clockText(player.duration()));
            out += QLatin1Char('\n');
        }
        out += QStringLiteral("(* the player the crest would show)\n");
        return out.toUtf8();
    }

    PlayerController::Services services()
    {
        return {TimerScheduler::shared(), SystemClock::shared(), m_workspace};
    }

    const bool m_json;
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
