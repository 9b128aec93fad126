#pragma once

#include "core/CancelHandle.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <functional>

class AppUpdateController;
class Clock;
class CrestDropTarget;
class CrestState;
class FilePicking;
class FileTrayStore;
class LyricsController;
class MusicController;
class NotesStore;
class NotesView;
class QMenu;
class QMessageBox;
class Scheduler;
class NowPlayingView;
class TrayView;
class Workspace;

/// The crest panel's root view: the black crest that grows out of the notch
/// and, while expanded, holds the tray, or the music card beside the notes.
/// Its outline springs between the notch (`notchWidth` x `topHeight`, bottom
/// corners 12) and the panel (660 x `topHeight` + 138, bottom corners 25);
/// the panel masks its window to that outline, so nothing outside the
/// crest's shape is ever painted. It holds no state of its own: everything
/// shown comes from the stores it observes.
class CrestView : public QWidget
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

    static constexpr double kContentWidth = 620;
    static constexpr double kMusicWidth = 300;
    static constexpr double kAreaSpacing = 12;
    static constexpr double kTopPadding = 8;
    /// The content's height beyond `topHeight`.
    static constexpr double kContentExtraHeight = 118;

    CrestView(Stores stores, Clock &clock, Scheduler &scheduler, std::function<bool()> reduceMotion,
              QWidget *parent = nullptr);
    ~CrestView() override;

    /// Shows the About & Privacy alert; chosen from the context menu.
    std::function<void()> showAbout;
    /// The "Open at login" choice; the item is offered only when both are set.
    std::function<bool()> isOpenAtLogin;
    std::function<void(bool)> setOpenAtLogin;

    /// 0 collapsed, 1 expanded; in between while the outline springs.
    double progress() const { return m_progress; }
    /// The content's opacity: 0 collapsed, 1 expanded, between while fading.
    double contentOpacity() const { return m_fade.value; }

    /// The crest's current outline in view coordinates.
    QRegion outlineRegion() const;

    /// Ends a running collapse at once, leaving exactly the notch.
    void finishCollapse();

    /// Where file drags go; none means drags are refused.
    void setDropTarget(CrestDropTarget *target) { m_dropTarget = target; }
    /// Where "Add Files…" asks for files; none means the desktop's chooser.
    void setFilePicker(FilePicking *picker) { m_filePicker = picker; }

    /// Lets the user choose files for the tray, as an interaction that keeps
    /// the crest open; the chosen files arrive as a drop of them would.
    void addFiles();
    /// Adds the files on the clipboard as a drop of them would, while the
    /// crest is expanded; false when it holds no file.
    bool pasteFiles();

    /// The context menu as it stands now; the caller owns it.
    QMenu *contextMenu();

    QWidget *content() const { return m_content; }
    TrayView *trayView() const { return m_tray; }
    NotesView *notesView() const { return m_notes; }
    NowPlayingView *musicView() const { return m_music; }
    /// The update alert while it is shown.
    QMessageBox *updateAlert() const;

    /// Puts the cursor in the notes and asks for the keyboard.
    void focusNotes();

signals:
    void outlineChanged();
    /// Typing must reach the crest: a click into the notes or a new note.
    void keyboardWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    /// A value easing from `from` to `to` over `duration` seconds.
    struct Fade
    {
        double value = 0;
        double from = 0;
        double to = 0;
        double startedAt = 0;
        double duration = 0;
        bool inOut = false;
    };

    bool reduceMotion() const;
    void expansionChanged();
    void layoutChanged();
    void startFade(Fade &fade, double to, double duration, bool inOut);
    void startFrames();
    void tick();
    void setProgress(double value);
    void applyFades();
    void placeContent();
    void rebuildMusic();
    void followUpdateMessage();
    void endInteractionWhen(bool absent);
    void orderFocusChain();

    CrestState &m_state;
    FileTrayStore &m_trayStore;
    NotesStore &m_notesStore;
    MusicController &m_musicController;
    AppUpdateController &m_updates;
    LyricsController &m_lyrics;
    Clock &m_clock;
    Scheduler &m_scheduler;
    std::function<bool()> m_reduceMotion;
    CrestDropTarget *m_dropTarget = nullptr;
    FilePicking *m_filePicker = nullptr;
    bool m_routesDrag = false; // a file drag over an area that takes drops itself

    double m_progress = 0;
    double m_from = 0;
    double m_target = 0;
    double m_startedAt = 0;
    Fade m_fade;
    Fade m_trayFade; // 1 shows the tray, 0 the default layout
    CancelHandle m_frames;

    QWidget *m_content;
    TrayView *m_tray;
    QWidget *m_defaultLayout;
    NowPlayingView *m_music = nullptr;
    NotesView *m_notes;
    QWidget *m_overlay;
    QPointer<QMessageBox> m_updateAlert;
};
