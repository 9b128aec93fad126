#pragma once

#include <QWidget>

class PlayerController;
class ScrubberView;

/// Hosts one scrubber for a controller and keeps it current with every
/// published change; taking it down cancels a scrub in progress.
class Scrubber final : public QWidget
{
public:
    explicit Scrubber(PlayerController &controller, QWidget *parent = nullptr);

    ScrubberView &view() const { return *m_view; }

private:
    ScrubberView *const m_view;
};
