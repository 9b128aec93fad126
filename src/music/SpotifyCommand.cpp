#include "music/SpotifyCommand.h"

SpotifyCommand SpotifyCommand::seek(double position, LyricsTrack track)
{
    SpotifyCommand command(Kind::seek);
    command.m_position = position;
    command.m_track = std::move(track);
    return command;
}

SpotifyCommand SpotifyCommand::volume(int level)
{
    SpotifyCommand command(Kind::volume);
    command.m_level = level;
    return command;
}
