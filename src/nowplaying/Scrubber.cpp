#include "nowplaying/Scrubber.h"

#include "nowplaying/ScrubberView.h"
#include "players/model/PlayerController.h"

#include <QHBoxLayout>

Scrubber::Scrubber(PlayerController &controller, QWidget *parent)
    : QWidget(parent), m_view(new ScrubberView(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setController(&controller);
    // What the bar shows and whether it takes a drag.
    for (auto changed :
         {&PlayerController::progressChanged, &PlayerController::durationChanged,
          &PlayerController::isScrubbingChanged, &PlayerController::connectionStateChanged,
          &PlayerController::currentTrackChanged, &PlayerController::isAvailableChanged,
          &PlayerController::isControllingChanged})
        connect(&controller, changed, m_view, &ScrubberView::refresh);
}
