#pragma once

#include "core/CancelHandle.h"

#include <QObject>

#include <functional>

class Scheduler;

/// The observable crest and the state machine that decides when it expands
/// and collapses. It never touches windows: it reaches the outside world only
/// through the closures installed by the application delegate, so it can be
/// driven without any window system. Main thread only.
class CrestState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isExpanded READ isExpanded NOTIFY isExpandedChanged)
    Q_PROPERTY(double notchWidth READ notchWidth NOTIFY notchWidthChanged)
    Q_PROPERTY(double topHeight READ topHeight NOTIFY topHeightChanged)
    Q_PROPERTY(bool showsTray READ showsTray NOTIFY showsTrayChanged)
    Q_PROPERTY(bool isFileDragActive READ isFileDragActive NOTIFY isFileDragActiveChanged)

public:
    static constexpr double kHoverDelay = 0.12;
    static constexpr double kDismissalDelay = 0.24;
    static constexpr double kTrayReturnDelay = 0.16;
    /// After a key in the notes, the crest counts as in use this long.
    static constexpr double kTypingHold = 1.5;
    /// Opened by the shortcut, the crest waits this long for the first key.
    static constexpr double kShortcutHold = 5.0;

    explicit CrestState(Scheduler &scheduler, QObject *parent = nullptr);
    ~CrestState() override;

    bool isExpanded() const { return m_isExpanded; }
    double notchWidth() const { return m_notchWidth; }
    double topHeight() const { return m_topHeight; }
    bool showsTray() const { return m_showsTray; }
    bool isFileDragActive() const { return m_isFileDragActive; }
    bool isPointerInside() const { return m_isPointerInside; }
    bool isDecodingDrop() const { return m_isDecodingDrop; }
    /// A key went down in the notes within the typing hold.
    bool isTyping() const { return m_typingTask.isActive(); }

    /// Written by the panel side when the crest opens or closes.
    void setExpanded(bool value);
    /// Written by the panel side after measuring the screen.
    void setNotchWidth(double value);
    void setTopHeight(double value);

    /// Closures installed once at launch. Any may be left unset: no
    /// `expand`/`collapse` means nothing is shown or hidden; no
    /// `containsPointer` means the last reported position is trusted; no
    /// `isInteractionActive` means nothing holds the crest open; no
    /// `isHoverAllowed` means hover is always allowed.
    std::function<void()> expand;
    std::function<void()> collapse;
    std::function<bool()> containsPointer;
    std::function<bool()> isInteractionActive;
    std::function<bool()> isHoverAllowed;

    /// The pointer is (or is not) over the crest's hot area.
    void pointerChanged(bool inside);
    /// A mouse button went down, inside or outside the hot area.
    void pointerPressed(bool inside);
    /// Collapse now.
    void dismiss();
    /// Leave the tray layout unless the tray has files.
    void restoreDefaultView();
    /// An interaction that held the crest open is over.
    void interactionEnded();
    void setTrayHasFiles(bool hasFiles);
    void fileDragEntered();
    void fileDragExited();
    void fileDropStarted();
    void fileDropFinished();

    /// A key went down in the notes editor. Like a drag, typing holds the
    /// crest open, so text meant for a note never lands in another window;
    /// the ordinary dismissal follows once typing pauses for `kTypingHold`.
    void noteKeyPressed();
    /// The shortcut asks for the crest with the cursor in the notes: it
    /// opens at once, whatever the pointer does, and waits `kShortcutHold`
    /// for the first key before the ordinary dismissal may follow.
    void openForTyping();

    /// Escape while the crest is expanded and focused: collapses and answers
    /// true (consumed) unless an interaction is active, when the key must be
    /// passed on unchanged (false).
    bool handleEscape();

signals:
    void isExpandedChanged();
    void notchWidthChanged();
    void topHeightChanged();
    void showsTrayChanged();
    void isFileDragActiveChanged();

private:
    bool reevaluatePointer();
    bool interactionActive() const;
    void scheduleDismissal();
    void setShowsTray(bool value);
    void setFileDragActive(bool value);
    void holdForTyping(double seconds);

    Scheduler &m_scheduler;
    bool m_isExpanded = false;
    double m_notchWidth = 180;
    double m_topHeight = 34;
    bool m_showsTray = false;
    bool m_isFileDragActive = false;
    bool m_isPointerInside = false;
    bool m_isDecodingDrop = false;
    bool m_hasCompletedDrop = false;
    bool m_hasTrayFiles = false;
    bool m_isHoverSuppressed = false;
    CancelHandle m_hoverTask;
    CancelHandle m_dismissalTask;
    CancelHandle m_trayTask;
    CancelHandle m_typingTask;
};
