#include "music/SpotifyScrubber.h"

#include "music/SpotifyController.h"
#include "music/SpotifyScrubberView.h"

#include <QHBoxLayout>

SpotifyScrubber::SpotifyScrubber(SpotifyController &controller, QWidget *parent)
    : QWidget(parent), m_view(new SpotifyScrubberView(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setController(&controller);
    // What the bar shows and whether it takes a drag.
    for (auto changed :
         {&SpotifyController::progressChanged, &SpotifyController::durationChanged,
          &SpotifyController::isScrubbingChanged, &SpotifyController::connectionStateChanged,
          &SpotifyController::currentTrackChanged, &SpotifyController::isAvailableChanged,
          &SpotifyController::isControllingChanged})
        connect(&controller, changed, m_view, &SpotifyScrubberView::refresh);
}
