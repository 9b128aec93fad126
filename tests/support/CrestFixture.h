#pragma once

#include "crest/CrestState.h"
#include "lyrics/LyricsController.h"
#include "music/MusicController.h"
#include "notes/NotesStore.h"
#include "support/MemorySettings.h"
#include "support/RecordingWorkspace.h"
#include "support/ScriptedBridge.h"
#include "tray/FileTrayStore.h"
#include "updates/AppUpdateController.h"

#include <QTemporaryDir>

class CrestPanel;
class CrestView;

/// The whole crest on virtual time, shown at the top centre of the screen
/// with the fallback 126 x 32 notch: stores in a temporary folder, a
/// scripted Spotify and Pear (running while `pid` is set), lyrics that never
/// arrive, updates without a driver unless one is given.
struct CrestFixture
{
    explicit CrestFixture(std::unique_ptr<CrestUpdateDriver> driver = nullptr);
    ~CrestFixture();

    /// Spotify plays a song, with a solid red cover when `cover` is set.
    void play(bool cover);
    /// Expands or collapses and lets every animation settle.
    void setExpanded(bool expanded);

    VirtualTime time;
    QTemporaryDir folder;
    RecordingWorkspace workspace;
    MemorySettings settings;
    std::optional<qint32> pid = 100;
    bool reduceMotion = false;
    ScriptedBridge *spotify;
    ScriptedBridge *pear;
    CrestState state{time};
    FileTrayStore tray;
    NotesStore notes;
    MusicController music;
    AppUpdateController updates;
    LyricsController lyrics;
    CrestPanel *panel;
    CrestView *view;
};
