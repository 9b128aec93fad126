#pragma once

#include "crest/CrestAnimation.h"
#include "crest/CrestContentView.h"

#include <QRegion>
#include <QWidget>

#include <functional>
#include <memory>

class Clock;
class CrestDropTarget;
class CrestOverlayView;
class CrestUpdateDialog;
class FilePicking;
class QMenu;
class QMessageBox;
class Scheduler;

/// The crest panel's root view: the black crest that grows out of the notch
/// and, while expanded, holds the tray, or the music card beside the notes.
/// Its outline springs between the notch (`notchWidth` x `topHeight`, bottom
/// corners 12) and the panel (660 x `topHeight` + 138, bottom corners 25);
/// the panel masks its window to that outline, so nothing outside the
/// crest's shape is ever painted. It holds no state of its own: everything
/// shown comes from the stores it observes. Files dragged, pasted or chosen
/// anywhere on it go to the drop target.
class CrestView : public QWidget
{
    Q_OBJECT

public:
    /// What the crest observes and acts on; all outlive the view.
    using Stores = CrestContentView::Stores;

    static constexpr double kContentWidth = 620;
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
    double progress() const { return m_animation.progress(); }
    /// The content's opacity: 0 collapsed, 1 expanded, between while fading.
    double contentOpacity() const { return m_animation.contentOpacity(); }

    /// The crest's current outline in view coordinates.
    QRegion outlineRegion() const;

    /// Ends a running collapse at once, leaving exactly the notch.
    void finishCollapse() { m_animation.finishCollapse(); }

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

    QWidget *content() const;
    TrayView *trayView() const { return m_content->trayView(); }
    NotesView *notesView() const { return m_content->notesView(); }
    NowPlayingView *musicView() const { return m_content->musicView(); }
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
    void applyFades();
    void placeContent();
    void endInteractionWhen(bool absent);

    CrestState &m_state;
    FileTrayStore &m_trayStore;
    NotesStore &m_notesStore;
    MusicController &m_musicController;
    AppUpdateController &m_updates;
    LyricsController &m_lyrics;
    CrestDropTarget *m_dropTarget = nullptr;
    FilePicking *m_filePicker = nullptr;
    bool m_routesDrag = false; // a file drag over an area that takes drops itself

    CrestAnimation m_animation;
    CrestContentView *m_content;
    CrestOverlayView *m_overlay;
    std::unique_ptr<CrestUpdateDialog> m_updateDialog;
};
