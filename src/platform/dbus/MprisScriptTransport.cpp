#include "platform/dbus/MprisScriptTransport.h"

#include "scripting/ScriptTerms.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ScriptTerms;
using Step = ScriptReference::Step;

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kPlayerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

QVariantMap demarshalMap(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("a{sv}"))
            return {};
        QVariantMap map;
        argument >> map;
        return map;
    }
    if (value.metaType().id() == QMetaType::QVariantMap)
        return value.toMap();
    return {};
}

QVariant firstArgument(const QDBusMessage &reply)
{
    const QVariantList arguments = reply.arguments();
    if (arguments.isEmpty())
        return {};
    const QVariant value = arguments.first();
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return value.value<QDBusVariant>().variant();
    return value;
}

// QDBusObjectPath accepts any text; a call with an invalid path would fail
// on the wire, so check the grammar before using a player's track id as one.
bool isObjectPath(const QString &path)
{
    if (path == QLatin1String("/"))
        return true;
    if (!path.startsWith(u'/') || path.endsWith(u'/') || path.contains(QLatin1String("//")))
        return false;
    for (QChar c : path) {
        const char16_t u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
              u == '_' || u == '/'))
            return false;
    }
    return true;
}

ScriptResult value(ScriptDescriptor descriptor)
{
    ScriptResult result;
    result.reply.setParameter(kDirectObject, std::move(descriptor));
    return result;
}

ScriptResult noValue()
{
    return {};
}

// The outcome of a command: an empty reply, or the error.
ScriptResult outcome(qint32 error)
{
    return ScriptResult::failure(error);
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The art file is named by another program: it may be huge, unreadable, a
// FIFO that would block a plain open, or a device. Only a regular file of at
// most `limit` bytes is read, and never more than `limit` bytes of it.
std::optional<QByteArray> readArtworkFile(const QString &path, qint64 limit)
{
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > limit)
        return std::nullopt;
    QByteArray data(qsizetype(limit) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + total, size_t(data.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        total += n;
    }
    if (total > limit)
        return std::nullopt; // grew while being read
    data.truncate(total);
    return data;
}

} // namespace

MprisScriptTransport::MprisScriptTransport(QDBusConnection bus, const Clock &clock,
                                           QString preferredService, DurationUnit durationUnit)
    : m_bus(std::move(bus)), m_clock(clock), m_preferredService(std::move(preferredService)),
      m_durationUnit(durationUnit)
{}

qint32 MprisScriptTransport::determinePermission(qint32 processID, ScriptCode, ScriptCode, bool)
{
    // A permission check starts every request: what the previous one read
    // is stale now.
    m_properties.reset();
    return attach(processID, m_clock.now() + kDiscoveryTimeout);
}

QDBusMessage MprisScriptTransport::call(const QDBusMessage &message, Seconds deadline,
                                        qint32 &error)
{
    error = ScriptError::kNone;
    const double left = (deadline - m_clock.now()).count();
    if (left <= 0) {
        error = ScriptError::kTimedOut;
        return {};
    }
    const int timeoutMs = int(std::clamp(std::ceil(left * 1000), 1.0, 3'600'000.0));
    ++m_roundTrips;
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply;
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        error = ScriptError::kProcessNotFound;
    } else if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
               name == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
               name == QLatin1String("org.freedesktop.DBus.Error.TimedOut")) {
        error = ScriptError::kTimedOut;
        // A peer that quits before answering also ends the call with NoReply,
        // but early: time left means it is gone rather than slow.
        if (message.service() != kBusService && (deadline - m_clock.now()).count() > 0) {
            qint32 ownerError = ScriptError::kNone;
            const QDBusMessage owner =
                busCall(QStringLiteral("NameHasOwner"), {message.service()}, deadline, ownerError);
            if (ownerError == ScriptError::kNone && !firstArgument(owner).toBool())
                error = ScriptError::kProcessNotFound;
        }
    } else if (name == QLatin1String("org.freedesktop.DBus.Error.Disconnected")) {
        error = ScriptError::kConnectionInvalid;
    } else if (name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
               name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
               name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
               name == QLatin1String("org.freedesktop.DBus.Error.UnknownProperty") ||
               name == QLatin1String("org.freedesktop.DBus.Error.NotSupported")) {
        error = ScriptError::kEventNotHandled;
    } else {
        error = ScriptError::kEventFailed;
    }
    if (error == ScriptError::kProcessNotFound)
        m_player.reset();
    return {};
}

QDBusMessage MprisScriptTransport::busCall(const QString &method, const QVariantList &arguments,
                                           Seconds deadline, qint32 &error)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, method);
    message.setArguments(arguments);
    return call(message, deadline, error);
}

QDBusMessage MprisScriptTransport::playerCall(const QString &interface, const QString &method,
                                              const QVariantList &arguments, Seconds deadline,
                                              qint32 &error)
{
    if (!m_player) {
        error = ScriptError::kProcessNotFound;
        return {};
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_player->owner, kPlayerPath, interface, method);
    message.setArguments(arguments);
    return call(message, deadline, error);
}

qint32 MprisScriptTransport::attach(qint32 processID, Seconds deadline)
{
    if (processID <= 0)
        return ScriptError::kProcessNotFound;
    // Calls go to the owner's unique name, which dies with its connection;
    // a vanished player is noticed by the next call and forgotten then.
    if (m_player && m_player->processID == processID)
        return ScriptError::kNone;
    m_player.reset();
    m_properties.reset();

    qint32 error = ScriptError::kNone;
    const QDBusMessage listed = busCall(QStringLiteral("ListNames"), {}, deadline, error);
    if (error != ScriptError::kNone)
        return error;
    QStringList names;
    for (const QString &name : firstArgument(listed).toStringList()) {
        if (name.startsWith(QLatin1String(kServicePrefix)) && name != m_preferredService)
            names.append(name);
    }
    names.sort();
    if (names.size() > kMaxServices - 1)
        names.resize(kMaxServices - 1);
    if (!m_preferredService.isEmpty())
        names.prepend(m_preferredService);

    for (const QString &name : std::as_const(names)) {
        const QDBusMessage owner = busCall(QStringLiteral("GetNameOwner"), {name}, deadline, error);
        if (error == ScriptError::kTimedOut)
            return error;
        const QString unique = firstArgument(owner).toString();
        if (error != ScriptError::kNone || unique.isEmpty())
            continue;
        const QDBusMessage pid =
            busCall(QStringLiteral("GetConnectionUnixProcessID"), {unique}, deadline, error);
        if (error == ScriptError::kTimedOut)
            return error;
        if (error == ScriptError::kNone && firstArgument(pid).toUInt() == quint32(processID)) {
            m_player = Player{unique, processID};
            return ScriptError::kNone;
        }
    }
    return ScriptError::kProcessNotFound;
}

qint32 MprisScriptTransport::loadProperties(Seconds deadline)
{
    if (m_properties)
        return ScriptError::kNone;
    qint32 error = ScriptError::kNone;
    const QDBusMessage reply = playerCall(kPropertiesInterface, QStringLiteral("GetAll"),
                                          {kPlayerInterface}, deadline, error);
    if (error == ScriptError::kNone)
        m_properties = demarshalMap(firstArgument(reply));
    return error;
}

qint32 MprisScriptTransport::readPosition(Seconds deadline, double &microseconds)
{
    qint32 error = ScriptError::kNone;
    const QDBusMessage reply =
        playerCall(kPropertiesInterface, QStringLiteral("Get"),
                   {kPlayerInterface, QStringLiteral("Position")}, deadline, error);
    if (error != ScriptError::kNone)
        return error;
    const auto position = MprisTrackMetadata::number(firstArgument(reply));
    if (!position)
        return ScriptError::kEventFailed;
    microseconds = *position;
    return ScriptError::kNone;
}

ScriptResult MprisScriptTransport::send(const ScriptEvent &event, qint32 processID, Seconds timeout)
{
    const Seconds deadline = m_clock.now() + timeout;
    if (const qint32 error = attach(processID, deadline); error != ScriptError::kNone)
        return ScriptResult::failure(error);

    const auto target = event.parameter(kDirectObject);
    if (event.eventClass() == kCoreSuite &&
        (event.eventID() == kGetData || event.eventID() == kSetData)) {
        const auto steps = target ? ScriptReference::steps(*target) : std::nullopt;
        if (!steps)
            return ScriptResult::failure(ScriptError::kNoSuchObject);
        if (event.eventID() == kGetData)
            return get(*steps, deadline);
        const auto data = event.parameter(kData);
        if (!data)
            return ScriptResult::failure(ScriptError::kEventFailed);
        return set(*steps, *data, deadline);
    }
    if (event.eventClass() == kSpotifySuite || event.eventClass() == kMusicSuite) {
        if (event.eventID() == kPlayPause)
            return command(QStringLiteral("PlayPause"), deadline);
        if (event.eventID() == kPreviousTrack)
            return command(QStringLiteral("Previous"), deadline);
        if (event.eventID() == kNextTrack)
            return command(QStringLiteral("Next"), deadline);
    }
    return ScriptResult::failure(ScriptError::kEventNotHandled);
}

ScriptResult MprisScriptTransport::get(const std::vector<Step> &steps, Seconds deadline)
{
    if (steps.empty() || steps[0].kind != Step::Kind::property)
        return ScriptResult::failure(ScriptError::kEventNotHandled);
    const ScriptCode first = steps[0].code;

    if (steps.size() == 1 && first == kPlayerPosition) {
        double microseconds = 0;
        if (const qint32 error = readPosition(deadline, microseconds); error != ScriptError::kNone)
            return ScriptResult::failure(error);
        return value(ScriptDescriptor::real(microseconds / 1e6));
    }

    if (const qint32 error = loadProperties(deadline); error != ScriptError::kNone)
        return ScriptResult::failure(error);
    const QVariantMap &properties = *m_properties;

    if (steps.size() == 1 && first == kPlayerState) {
        const QString status = properties.value(QStringLiteral("PlaybackStatus")).toString();
        if (status == QLatin1String("Playing"))
            return value(ScriptDescriptor::enumeration(kPlaying));
        if (status == QLatin1String("Paused"))
            return value(ScriptDescriptor::enumeration(kPaused));
        if (status == QLatin1String("Stopped"))
            return value(ScriptDescriptor::enumeration(kStopped));
        return noValue();
    }
    if (steps.size() == 1 && first == kSoundVolume) {
        const auto volume = MprisTrackMetadata::number(properties.value(QStringLiteral("Volume")));
        if (!volume || !std::isfinite(*volume) || std::abs(*volume) > 1e6)
            return noValue();
        return value(ScriptDescriptor::integer(qint32(std::lround(*volume * 100))));
    }
    if (first != kCurrentTrack)
        return ScriptResult::failure(ScriptError::kEventNotHandled);

    const MprisTrackMetadata track(demarshalMap(properties.value(QStringLiteral("Metadata"))));
    if (!track.hasTrack())
        return ScriptResult::failure(ScriptError::kNoSuchObject);
    if (steps.size() == 1)
        return value(ScriptReference::property(kCurrentTrack));
    if (steps.size() == 2 && steps[1].kind == Step::Kind::property)
        return getTrackProperty(steps[1].code);
    if (steps.size() == 3 && steps[1].kind == Step::Kind::element &&
        steps[1].code == kArtworkClass && steps[2].kind == Step::Kind::property &&
        steps[2].code == kRawData) {
        const auto file = track.artworkFile();
        if (!file || steps[1].index != 1)
            return ScriptResult::failure(ScriptError::kNoSuchObject);
        const auto bytes = readArtworkFile(*file, kMaxArtworkBytes);
        if (!bytes)
            return ScriptResult::failure(ScriptError::kEventFailed);
        return value(ScriptDescriptor::bytes(*bytes));
    }
    return ScriptResult::failure(ScriptError::kEventNotHandled);
}

ScriptResult MprisScriptTransport::getTrackProperty(ScriptCode property)
{
    const MprisTrackMetadata track(demarshalMap(m_properties->value(QStringLiteral("Metadata"))));
    if (property == kName)
        return value(ScriptDescriptor::text(track.title()));
    if (property == kArtist)
        return value(ScriptDescriptor::text(track.artist()));
    if (property == kAlbum)
        return value(ScriptDescriptor::text(track.album()));
    if (property == kPersistentID)
        return value(ScriptDescriptor::text(track.trackID()));
    if (property == kDuration) {
        const double microseconds = track.lengthMicroseconds().value_or(0);
        if (m_durationUnit == DurationUnit::seconds)
            return value(ScriptDescriptor::real(microseconds / 1e6));
        const ScriptDescriptor milliseconds = ScriptDescriptor::real(microseconds / 1e3);
        if (const auto whole = milliseconds.int32Value())
            return value(ScriptDescriptor::integer(*whole));
        return value(milliseconds);
    }
    if (property == kSpotifyID) {
        const auto uri = track.spotifyURI();
        return uri ? value(ScriptDescriptor::text(*uri)) : noValue();
    }
    if (property == kArtworkURL) {
        const auto address = track.artworkAddress();
        return address ? value(ScriptDescriptor::text(*address)) : noValue();
    }
    return ScriptResult::failure(ScriptError::kEventNotHandled);
}

ScriptResult MprisScriptTransport::set(const std::vector<Step> &steps, const ScriptDescriptor &data,
                                       Seconds deadline)
{
    if (steps.size() != 1 || steps[0].kind != Step::Kind::property)
        return ScriptResult::failure(ScriptError::kEventNotHandled);
    const auto number = data.doubleValue();
    if (!number || !std::isfinite(*number))
        return ScriptResult::failure(ScriptError::kEventFailed);

    if (steps[0].code == kSoundVolume) {
        qint32 error = ScriptError::kNone;
        playerCall(kPropertiesInterface, QStringLiteral("Set"),
                   {kPlayerInterface, QStringLiteral("Volume"),
                    QVariant::fromValue(QDBusVariant(std::clamp(*number, 0.0, 100.0) / 100.0))},
                   deadline, error);
        m_properties.reset();
        return outcome(error);
    }
    if (steps[0].code == kPlayerPosition)
        return setPosition(*number, deadline);
    return ScriptResult::failure(ScriptError::kEventNotHandled);
}

ScriptResult MprisScriptTransport::setPosition(double seconds, Seconds deadline)
{
    // The track id is the one this request read, so a position meant for
    // one song is never applied to another: the player ignores a
    // SetPosition whose track id is not current.
    if (const qint32 error = loadProperties(deadline); error != ScriptError::kNone)
        return ScriptResult::failure(error);
    const MprisTrackMetadata track(demarshalMap(m_properties->value(QStringLiteral("Metadata"))));
    m_properties.reset();
    if (!track.hasTrack())
        return ScriptResult::failure(ScriptError::kNoSuchObject);
    if (std::abs(seconds) > 1e9)
        return ScriptResult::failure(ScriptError::kEventFailed);
    const qlonglong target = std::llround(seconds * 1e6);

    qint32 error = ScriptError::kNone;
    if (isObjectPath(track.trackID())) {
        playerCall(kPlayerInterface, QStringLiteral("SetPosition"),
                   {QVariant::fromValue(QDBusObjectPath(track.trackID())), target}, deadline,
                   error);
        return outcome(error);
    }
    // Older Spotify clients name tracks "spotify:track:...", which cannot be
    // sent as an object path: move relative to the current position instead.
    double position = 0;
    if (error = readPosition(deadline, position); error != ScriptError::kNone)
        return ScriptResult::failure(error);
    playerCall(kPlayerInterface, QStringLiteral("Seek"),
               {qlonglong(target - std::llround(position))}, deadline, error);
    return outcome(error);
}

ScriptResult MprisScriptTransport::command(const QString &method, Seconds deadline)
{
    qint32 error = ScriptError::kNone;
    playerCall(kPlayerInterface, method, {}, deadline, error);
    m_properties.reset();
    return outcome(error);
}
