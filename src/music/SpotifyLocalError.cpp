#include "music/SpotifyLocalError.h"

SpotifyLocalError SpotifyLocalError::browserReply(QString message)
{
    SpotifyLocalError error(Kind::browserReply);
    error.m_message = std::move(message);
    return error;
}

SpotifyLocalError SpotifyLocalError::appleEvent(qint32 code)
{
    SpotifyLocalError error(Kind::appleEvent);
    error.m_code = code;
    return error;
}
