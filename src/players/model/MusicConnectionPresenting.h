#pragma once

#include <QString>

/// What the connection dialog of one player shows.
struct MusicConnectionPrompt
{
    QString title;
    QString informativeText;
    /// "Connect", or "Refresh" once connected.
    QString connectButton;
    /// "Open " + the player's short name.
    QString openButton;
    bool isConnectEnabled = false;
};

enum class MusicConnectionChoice
{
    connect,
    open,
    done
};

/// Shows the connection dialog. Kept apart from the music controller so
/// that the controller needs no widgets.
class MusicConnectionPresenting
{
public:
    virtual ~MusicConnectionPresenting() = default;

    /// Brings the program forward, shows `prompt` modally and returns the
    /// button the user chose once the dialog has closed.
    virtual MusicConnectionChoice present(const MusicConnectionPrompt &prompt) = 0;
};
