#include "players/model/MusicSource.h"

#include <QHashFunctions>

namespace {

struct SourceInfo
{
    const char16_t *rawValue;
    const char16_t *displayName;
    const char *bundleIdentifier;
};

// Indexed by the case's position in the enumeration.
constexpr std::array<SourceInfo, 8> kInfo = {{
    {u"spotify", u"Spotify", "com.spotify.client"},
    {u"appleMusic", u"Apple Music", "com.apple.Music"},
    // Safari has no Linux build: its row stands for Firefox, the usual Linux
    // browser, while the raw value (and so every stored key) stays.
    {u"safari", u"YouTube Music \u00B7 Firefox", "org.mozilla.firefox"},
    {u"chrome", u"YouTube Music \u00B7 Chrome", "com.google.Chrome"},
    {u"brave", u"YouTube Music \u00B7 Brave", "com.brave.Browser"},
    {u"edge", u"YouTube Music \u00B7 Edge", "com.microsoft.edgemac"},
    {u"pear", u"YouTube Music \u00B7 Pear", "com.github.th-ch.youtube-music"},
    {u"mpris", u"Media player", "org.mpris.MediaPlayer2"},
}};

const SourceInfo &info(MusicSource source)
{
    return kInfo[static_cast<size_t>(MusicSource::Case(source))];
}

} // namespace

std::optional<MusicSource> MusicSource::fromRawValue(QStringView raw)
{
    for (MusicSource source : allCases()) {
        if (raw == QStringView(info(source).rawValue))
            return source;
    }
    return std::nullopt;
}

QString MusicSource::rawValue() const
{
    return QString::fromUtf16(info(*this).rawValue);
}

QString MusicSource::displayName() const
{
    return QString::fromUtf16(info(*this).displayName);
}

QString MusicSource::browserName() const
{
    const QString name = displayName();
    const QStringList parts = name.split(QStringLiteral(" \u00B7 "), Qt::SkipEmptyParts);
    return parts.isEmpty() ? name : parts.last();
}

bool MusicSource::isBrowser() const
{
    switch (m_case) {
    case safari:
    case chrome:
    case brave:
    case edge:
        return true;
    case spotify:
    case appleMusic:
    case pear:
    case mpris:
        return false;
    }
    return false;
}

QString MusicSource::bundleIdentifier() const
{
    return QString::fromLatin1(info(*this).bundleIdentifier);
}

QString MusicSource::setup() const
{
    const QString host = QString::fromLatin1(kYouTubeMusicWebHost);
    switch (m_case) {
    case mpris:
        return {};
    case spotify:
        return QStringLiteral("Open ") + displayName() +
               QStringLiteral(", play a song, then click Connect.");
    case appleMusic:
        return QStringLiteral("Open ") + QLatin1String(kAppleMusicWebHost) +
               QStringLiteral(" in Firefox, Chrome, Brave or Edge. Add Velloway\u2019s extension "
                              "to that browser (see the README). Then click Connect.");
    case safari:
    case chrome:
    case brave:
    case edge:
        return QStringLiteral("Open ") + host + QStringLiteral(" in ") + browserName() +
               QStringLiteral(", or its installed web app. Add Velloway\u2019s extension to ") +
               browserName() + QStringLiteral(" (see the README). Then click Connect.");
    case pear:
        return QStringLiteral(
            "In Pear Desktop, enable Plugins \u2192 API Server. Use host 127.0.0.1, port 26538, "
            "and keep authorization enabled. Then click Connect and approve Velloway in Pear.");
    }
    return {};
}

ApplicationIdentity MusicSource::application() const
{
    ApplicationIdentity app;
    app.identifier = bundleIdentifier();
    switch (m_case) {
    case spotify:
        app.executableNames = {QStringLiteral("spotify")};
        app.desktopEntries = {QStringLiteral("spotify"), QStringLiteral("com.spotify.Client"),
                              QStringLiteral("spotify_spotify")};
        break;
    case appleMusic:
        for (MusicSource browser : {safari, chrome, brave, edge}) {
            const ApplicationIdentity one = browser.application();
            app.executableNames += one.executableNames;
            app.desktopEntries += one.desktopEntries;
        }
        break;
    case mpris:
        break;
    case safari:
        // The main process is the oldest one; content processes run the same file.
        app.executableNames = {QStringLiteral("firefox"), QStringLiteral("firefox-esr")};
        app.desktopEntries = {QStringLiteral("firefox"), QStringLiteral("firefox-esr")};
        break;
    case chrome:
        // Chromium is the form Chrome takes in Linux distributions.
        app.executableNames = {QStringLiteral("chrome"), QStringLiteral("google-chrome"),
                               QStringLiteral("google-chrome-stable"), QStringLiteral("chromium"),
                               QStringLiteral("chromium-browser")};
        app.desktopEntries = {QStringLiteral("google-chrome"), QStringLiteral("com.google.Chrome"),
                              QStringLiteral("chromium"), QStringLiteral("chromium-browser"),
                              QStringLiteral("org.chromium.Chromium")};
        break;
    case brave:
        app.executableNames = {QStringLiteral("brave"), QStringLiteral("brave-browser")};
        app.desktopEntries = {QStringLiteral("brave-browser"), QStringLiteral("com.brave.Browser")};
        break;
    case edge:
        app.executableNames = {QStringLiteral("msedge"), QStringLiteral("microsoft-edge"),
                               QStringLiteral("microsoft-edge-stable")};
        app.desktopEntries = {QStringLiteral("microsoft-edge"),
                              QStringLiteral("com.microsoft.Edge")};
        break;
    case pear:
        app.executableNames = {QStringLiteral("pear-desktop"), QStringLiteral("youtube-music")};
        app.desktopEntries = {QStringLiteral("pear-desktop"), QStringLiteral("youtube-music"),
                              QStringLiteral("com.github.th_ch.youtube_music")};
        break;
    }
    return app;
}

std::optional<qint32> MusicSource::processID(ApplicationLookup &lookup) const
{
    return lookup.processID(application());
}

bool MusicSource::isInstalled(ApplicationLookup &lookup) const
{
    return lookup.isInstalled(application());
}

size_t qHash(MusicSource source, size_t seed) noexcept
{
    return ::qHash(static_cast<int>(MusicSource::Case(source)), seed);
}
