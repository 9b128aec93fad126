#pragma once

#include "players/model/PlayerSnapshot.h"

#include <optional>
#include <utility>

/// The rule that picks one of several places a song may be in (the tabs of
/// one browser, or the browsers that hold a site's tabs), offered one by
/// one: the first that plays wins at once; else the place chosen last time,
/// even without a song; else the first with a title. So a row keeps
/// following the tab that played last while nothing plays.
template <typename Place> class PlaybackChoice
{
public:
    explicit PlaybackChoice(std::optional<Place> previous) : m_previous(std::move(previous)) {}

    /// Offers a place and what it shows; true when it plays, and so is
    /// chosen for good (nothing further need be offered).
    bool offer(const Place &place, const PlayerSnapshot &snapshot)
    {
        if (m_isPlaying)
            return true;
        const bool isPrevious = m_previous && *m_previous == place;
        if (snapshot.isPlaying || !m_chosen || (isPrevious && !m_chosenIsPrevious)) {
            if (!snapshot.isPlaying && !isPrevious && snapshot.title.isEmpty())
                return false;
            m_chosen.emplace(place, snapshot);
            m_chosenIsPrevious = isPrevious;
            m_isPlaying = snapshot.isPlaying;
        }
        return m_isPlaying;
    }

    /// The place chosen with its snapshot, none when nothing was.
    const std::optional<std::pair<Place, PlayerSnapshot>> &chosen() const { return m_chosen; }

private:
    std::optional<Place> m_previous;
    std::optional<std::pair<Place, PlayerSnapshot>> m_chosen;
    bool m_chosenIsPrevious = false;
    bool m_isPlaying = false;
};
