#pragma once

#include "scripting/ScriptCode.h"

/// The scripting vocabulary this program speaks: the generic terms of the
/// event model and the terms of the music players' object model. Transports
/// and bridges share these so both sides mean the same thing by a code.
namespace ScriptTerms {

// Events.
inline constexpr ScriptCode kCoreSuite = "core";
inline constexpr ScriptCode kGetData = "getd";
inline constexpr ScriptCode kSetData = "setd";
inline constexpr ScriptCode kReplyClass = "aevt";
inline constexpr ScriptCode kReplyID = "ansr";

// Keywords.
inline constexpr ScriptCode kDirectObject = "----";
inline constexpr ScriptCode kData = "data";
inline constexpr ScriptCode kErrorNumber = "errn";

// Object references.
inline constexpr ScriptCode kObjectReference = "obj ";
inline constexpr ScriptCode kRecord = "reco";
inline constexpr ScriptCode kWant = "want";
inline constexpr ScriptCode kFrom = "from";
inline constexpr ScriptCode kForm = "form";
inline constexpr ScriptCode kSelector = "seld";
inline constexpr ScriptCode kProperty = "prop";
inline constexpr ScriptCode kIndexForm = "indx";
inline constexpr ScriptCode kAll = "all ";

// Player application.
inline constexpr ScriptCode kPlayerState = "pPlS";
inline constexpr ScriptCode kPlaying = "kPSP";
inline constexpr ScriptCode kPaused = "kPSp";
inline constexpr ScriptCode kStopped = "kPSS";
inline constexpr ScriptCode kSoundVolume = "pVol";
inline constexpr ScriptCode kCurrentTrack = "pTrk";
inline constexpr ScriptCode kPlayerPosition = "pPos";

// Track.
inline constexpr ScriptCode kName = "pnam";
inline constexpr ScriptCode kArtist = "pArt";
inline constexpr ScriptCode kAlbum = "pAlb";
inline constexpr ScriptCode kDuration = "pDur";
inline constexpr ScriptCode kSpotifyID = "ID  ";
inline constexpr ScriptCode kArtworkURL = "aUrl";
inline constexpr ScriptCode kPersistentID = "pPIS";
inline constexpr ScriptCode kArtworkClass = "cArt";
inline constexpr ScriptCode kRawData = "pRaw";

// Playback commands.
inline constexpr ScriptCode kSpotifySuite = "spfy";
inline constexpr ScriptCode kMusicSuite = "hook";
inline constexpr ScriptCode kPlayPause = "PlPs";
inline constexpr ScriptCode kPreviousTrack = "Prev";
inline constexpr ScriptCode kNextTrack = "Next";

// Browsers: windows, tabs and running a script in a tab.
inline constexpr ScriptCode kWindowClass = "cwin";
inline constexpr ScriptCode kChromiumTabClass = "CrTb";
inline constexpr ScriptCode kChromiumTabAddress = "URL ";
inline constexpr ScriptCode kChromiumSuite = "CrSu";
inline constexpr ScriptCode kChromiumExecute = "ExJa";
inline constexpr ScriptCode kChromiumScriptText = "JvSc";
inline constexpr ScriptCode kSafariTabClass = "bTab";
inline constexpr ScriptCode kSafariTabAddress = "pURL";
inline constexpr ScriptCode kSafariSuite = "sfri";
inline constexpr ScriptCode kSafariDoScript = "dojs";
inline constexpr ScriptCode kSafariDocument = "dcnm";

} // namespace ScriptTerms
