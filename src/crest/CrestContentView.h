#pragma once

#include <QWidget>

#include <functional>

class AppUpdateController;
class CrestState;
class FileTrayStore;
class LyricsController;
class MusicController;
class NotesStore;
class NotesView;
class NowPlayingView;
class TrayView;
class Workspace;

/// What the expanded crest holds: the tray, or the default layout with the
/// music card beside the notes, one fading into the other. Tab runs through
/// them in reading order.
class CrestContentView final : public QWidget
{
    Q_OBJECT

public:
    /// What the crest observes and acts on; all outlive the view.
    struct Stores
    {
        CrestState &state;
        FileTrayStore &tray;
        NotesStore &notes;
        MusicController &music;
        AppUpdateController &updates;
        LyricsController &lyrics;
        /// Opens and reveals the tray's files.
        Workspace &workspace;
    };

    static constexpr double kMusicWidth = 300;
    static constexpr double kAreaSpacing = 12;

    CrestContentView(Stores stores, std::function<bool()> reduceMotion, QWidget *parent);

    TrayView *trayView() const { return m_tray; }
    NotesView *notesView() const { return m_notes; }
    NowPlayingView *musicView() const { return m_music; }

    /// Places the content at `frame` in its parent, each area filling it.
    void place(const QRect &frame);
    /// `trayOpacity` 1 shows the tray, 0 the default layout; `opacity` is
    /// the whole content's.
    void setOpacities(double trayOpacity, double opacity);
    /// Builds the music card anew, for the active player and the current
    /// top height.
    void rebuildMusic();
    /// The press dip is motion too: tells every button whether to dip.
    void followReduceMotion() { followReduceMotionIn(this); }

private:
    void followReduceMotionIn(QWidget *root);
    void orderFocusChain();

    CrestState &m_state;
    MusicController &m_musicController;
    LyricsController &m_lyrics;
    std::function<bool()> m_reduceMotion;
    TrayView *m_tray;
    QWidget *m_defaultLayout;
    NowPlayingView *m_music = nullptr;
    NotesView *m_notes;
};
