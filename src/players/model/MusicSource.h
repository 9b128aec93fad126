#pragma once

#include "platform/apps/ApplicationLookup.h"

#include <QMetaType>
#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <optional>

/// A supported player. The order of `allCases()` is significant: it is the
/// order in which players are created and scanned, and so the tie-break when
/// the active player is chosen.
class MusicSource
{
public:
    enum class Case
    {
        spotify,
        appleMusic,
        safari,
        chrome,
        brave,
        edge,
        pear,
        /// Any other MPRIS player on the bus; not one of `allCases()`: such
        /// players come and go with their bus names.
        mpris
    };
    using enum Case;

    constexpr MusicSource() = default;
    constexpr MusicSource(Case value) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    static constexpr std::array<MusicSource, 7> allCases()
    {
        return {spotify, appleMusic, safari, chrome, brave, edge, pear};
    }

    /// The source whose raw value is exactly `raw`, else none.
    static std::optional<MusicSource> fromRawValue(QStringView raw);

    /// The case name ("spotify", "appleMusic", ...); also the identifier.
    QString rawValue() const;
    QString id() const { return rawValue(); }

    QString displayName() const;
    /// The short name: the last part of `displayName` after " · ".
    QString browserName() const;
    bool isBrowser() const;
    /// Read through Velloway's browser extension: the browsers, and Apple
    /// Music's web player in any of them.
    bool usesBrowserExtension() const { return isBrowser() || m_case == appleMusic; }
    QString bundleIdentifier() const;
    /// The instructions of the connection dialog.
    QString setup() const;

    /// How the player shows up on this system (process and desktop-entry
    /// names). Apple Music has no Linux build: its web player runs in any of
    /// the browsers, so it is theirs together. `safari` is Firefox here.
    ApplicationIdentity application() const;

    /// The player's running process, asked afresh of the process-wide lookup.
    std::optional<qint32> processID() const { return processID(ApplicationLookup::shared()); }
    std::optional<qint32> processID(ApplicationLookup &lookup) const;

    bool isInstalled() const { return isInstalled(ApplicationLookup::shared()); }
    bool isInstalled(ApplicationLookup &lookup) const;

    friend constexpr bool operator==(MusicSource a, MusicSource b) { return a.m_case == b.m_case; }
    friend constexpr bool operator==(MusicSource a, Case b) { return a.m_case == b; }

private:
    Case m_case = Case::spotify;
};

/// The host of the YouTube Music web player, as named in the setup texts.
inline constexpr char kYouTubeMusicWebHost[] = "music.youtube.com";
/// The host of Apple Music's web player.
inline constexpr char kAppleMusicWebHost[] = "music.apple.com";

size_t qHash(MusicSource source, size_t seed = 0) noexcept;

template <> struct std::hash<MusicSource>
{
    size_t operator()(MusicSource source) const noexcept
    {
        return std::hash<int>()(static_cast<int>(MusicSource::Case(source)));
    }
};

Q_DECLARE_METATYPE(MusicSource)
