#include "players/model/PlayerError.h"

PlayerError PlayerError::browserReply(QString message)
{
    PlayerError error(Kind::browserReply);
    error.m_message = std::move(message);
    return error;
}

PlayerError PlayerError::appleEvent(qint32 code)
{
    PlayerError error(Kind::appleEvent);
    error.m_code = code;
    return error;
}
