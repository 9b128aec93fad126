#!/usr/bin/env bash
# check-deps.sh on a throw-away tree: it accepts a clean one and rejects an
# include that runs upwards and one that closes a circle between two rooms.
set -uo pipefail
check="$(cd "$(dirname "$0")/../../scripts" && pwd)/check-deps.sh"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failed=0
expect() { # <wanted status: 0 or 1> <what> [words the output must hold]
    local out status
    out="$("$check" "$tree/src" "$tree/circles.txt" 2>&1)"
    status=$?
    if (((status != 0) != $1)) || [[ -n "${3:-}" && "$out" != *"$3"* ]]; then
        echo "FAIL: $2 (status $status)"; echo "$out"; failed=1
    fi
}
room() { mkdir -p "$tree/src/$1" && touch "$tree/src/$1/CMakeLists.txt"; }
header() { # <room/File.h> [included room/File.h...]
    local file="$tree/src/$1"; shift
    echo '#pragma once' >"$file"
    for include in "$@"; do echo "#include \"$include\"" >>"$file"; done
}
for r in core platform/desktop notes tray crest; do room "$r"; done
: >"$tree/circles.txt"
header core/Clock.h
header platform/desktop/Screen.h core/Clock.h
header notes/NotesStore.h core/Clock.h platform/desktop/Screen.h
header tray/TrayStore.h core/Clock.h notes/NotesStore.h
header crest/CrestView.h notes/NotesStore.h tray/TrayStore.h
expect 0 "a clean tree passes"

header core/Clock.h crest/CrestView.h
expect 1 "core including a view is rejected" "core reaches upwards"
header core/Clock.h

header notes/NotesStore.h core/Clock.h tray/TrayStore.h
expect 1 "notes and tray including each other is rejected" "include circle: notes -> tray -> notes"
echo "notes -> tray -> notes" >"$tree/circles.txt"
expect 0 "a listed circle passes"

room lyrics; room lyrics/window
header lyrics/Lyrics.h core/Clock.h
header lyrics/window/LyricsPart.h
header lyrics/window/LyricsView.h lyrics/Lyrics.h lyrics/window/LyricsPart.h
expect 0 "a room nested in another may include it"
header lyrics/Lyrics.h lyrics/window/LyricsView.h
expect 1 "the outer room including it back is rejected" "circle: lyrics -> lyrics/window -> lyrics"
exit $failed
