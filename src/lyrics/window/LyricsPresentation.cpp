#include "lyrics/window/LyricsPresentation.h"

#include "core/Published.h"
#include "lyrics/LyricsController.h"
#include "platform/desktop/MotionPreference.h"
#include "players/model/PlayerController.h"

LyricsPresentation::LyricsPresentation(LyricsController &lyrics, PlayerController &player,
                                       const Clock &clock, Scheduler &scheduler,
                                       MotionPreference *motion, QObject *parent)
    : QObject(parent), m_lyrics(lyrics), m_player(&player), m_clock(clock), m_scheduler(scheduler),
      m_motion(motion)
{
    if (m_motion)
        connect(m_motion, &MotionPreference::reduceMotionChanged, this,
                &LyricsPresentation::reduceMotionChanged);
}

PlayerController &LyricsPresentation::player() const
{
    return *m_player;
}

void LyricsPresentation::setPlayer(PlayerController &player)
{
    m_player = &player;
    emit playerChanged();
}

QString LyricsPresentation::playerName() const
{
    return m_player->source() == MusicSource::mpris ? m_player->displayName()
                                                    : m_player->source().browserName();
}

void LyricsPresentation::reload()
{
    if (m_lyrics.isVisible())
        m_lyrics.load();
}

bool LyricsPresentation::reduceMotion() const
{
    return m_motion && m_motion->reduceMotion();
}

void LyricsPresentation::setHovered(bool value)
{
    publish(this, m_hovered, value, &LyricsPresentation::hoveredChanged);
}

void LyricsPresentation::setHeaderControlsFrame(const QRectF &value)
{
    publish(this, m_headerControlsFrame, value, &LyricsPresentation::headerControlsFrameChanged);
}

void LyricsPresentation::setMouseToggleFrame(const QRectF &value)
{
    publish(this, m_mouseToggleFrame, value, &LyricsPresentation::mouseToggleFrameChanged);
}
