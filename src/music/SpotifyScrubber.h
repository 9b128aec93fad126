#pragma once

#include <QWidget>

class SpotifyController;
class SpotifyScrubberView;

/// Hosts one scrubber for a controller and keeps it current with every
/// published change; taking it down cancels a scrub in progress.
class SpotifyScrubber final : public QWidget
{
public:
    explicit SpotifyScrubber(SpotifyController &controller, QWidget *parent = nullptr);

    SpotifyScrubberView &view() const { return *m_view; }

private:
    SpotifyScrubberView *const m_view;
};
