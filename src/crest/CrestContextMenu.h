#pragma once

#include "ui/CrestMenu.h"

#include <functional>

class AppUpdateController;
class LyricsController;
class MusicController;

/// The crest's context menu as the state stands when it is made: adding
/// files, the music connections and players, the floating lyrics, updates,
/// opening at login, About and Quit.
class CrestContextMenu final : public CrestMenu
{
    Q_OBJECT

public:
    /// What the menu acts on; all outlive it.
    struct Stores
    {
        MusicController &music;
        LyricsController &lyrics;
        AppUpdateController &updates;
    };

    /// What the application answers; each may be unset.
    struct Hooks
    {
        std::function<void()> showAbout;
        /// "Open at login" is offered only when both are set.
        std::function<bool()> isOpenAtLogin;
        std::function<void(bool)> setOpenAtLogin;
    };

    CrestContextMenu(Stores stores, Hooks hooks, QWidget *parent = nullptr);

signals:
    /// "Add Files…" was chosen.
    void addFilesRequested();

private:
    void addMusicItems();
    void addLyricsItems();
    void addUpdateItems();

    MusicController &m_music;
    LyricsController &m_lyrics;
    AppUpdateController &m_updates;
    Hooks m_hooks;
};
