#pragma once

#include "players/model/MusicConnectionPresenting.h"

/// The connection dialog as a modal message box. While it is open the
/// program has a modal window, which keeps the crest from closing under it.
class MusicConnectionDialog final : public MusicConnectionPresenting
{
public:
    MusicConnectionChoice present(const MusicConnectionPrompt &prompt) override;
};
