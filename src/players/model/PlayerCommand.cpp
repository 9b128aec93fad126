#include "players/model/PlayerCommand.h"

PlayerCommand PlayerCommand::seek(double position, LyricsTrack track)
{
    PlayerCommand command(Kind::seek);
    command.m_position = position;
    command.m_track = std::move(track);
    return command;
}

PlayerCommand PlayerCommand::volume(int level)
{
    PlayerCommand command(Kind::volume);
    command.m_level = level;
    return command;
}
