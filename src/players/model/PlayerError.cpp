#include "players/model/PlayerError.h"

PlayerError PlayerError::browserReply(QString message)
{
    PlayerError error(Kind::browserReply);
    error.m_message = std::move(message);
    return error;
}
