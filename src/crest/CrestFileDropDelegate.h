#pragma once

#include "tray/FileDropItem.h"
#include "ui/CrestDropTarget.h"

#include <QList>
#include <QPointer>

#include <memory>

class CrestState;
class FileTrayStore;

/// Takes file drags on the crest: tells the crest state when a file drag
/// enters, leaves and drops, and hands the dropped files to the tray in the
/// order they were dragged. Drags without a file (text, web links) are
/// refused and tell the crest nothing. Main thread only.
class CrestFileDropDelegate final : public CrestDropTarget
{
public:
    CrestFileDropDelegate(CrestState &state, FileTrayStore &tray);

    bool dragEntered(const QMimeData &data) override;
    void dragExited() override;
    bool dropped(const QMimeData &data) override;

    /// Whether the drag holds at least one item that offers a file URL.
    static bool validateDrop(const QList<std::shared_ptr<FileDropItem>> &items);

    /// Starts loading the file items and answers at once whether the drop
    /// was taken; false, with nothing told to anyone, when no item offers a
    /// file URL. When loading ends the tray receives the URLs (possibly none),
    /// then the crest hears that the drop finished.
    bool performDrop(const QList<std::shared_ptr<FileDropItem>> &items);

private:
    QPointer<CrestState> m_state;
    QPointer<FileTrayStore> m_tray;
};
