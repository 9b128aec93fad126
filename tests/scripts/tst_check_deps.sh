#!/usr/bin/env bash
# check-deps.sh on a throw-away tree: it accepts a clean one and rejects an
# include that runs to a higher floor, one from a feature into another
# feature's views, and one that closes a circle between two rooms.
set -uo pipefail
check="$(cd "$(dirname "$0")/../../scripts" && pwd)/check-deps.sh"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failed=0
expect() { # <wanted status: 0 or 1> <what> [words the output must hold]
    local out status
    out="$("$check" "$tree/src" 2>&1)"
    status=$?
    if (((status != 0) != $1)) || [[ -n "${3:-}" && "$out" != *"$3"* ]]; then
        echo "FAIL: $2 (status $status)"; echo "$out"; failed=1
    fi
}
room() { # <room> <floor>
    mkdir -p "$tree/src/$1" && echo "velloway_sources($2)" >"$tree/src/$1/CMakeLists.txt"
}
header() { # <room/File.h> [included room/File.h...]
    local file="$tree/src/$1"; shift
    echo '#pragma once' >"$file"
    for include in "$@"; do echo "#include \"$include\"" >>"$file"; done
}
room core ground; room platform/desktop ground
room notes models; room tray models; room notes/view views; room tray/view views; room crest views
header core/Clock.h
header platform/desktop/Screen.h core/Clock.h
header notes/NotesStore.h core/Clock.h platform/desktop/Screen.h
header tray/TrayStore.h core/Clock.h
header notes/view/NotesView.h notes/NotesStore.h
header tray/view/TrayView.h tray/TrayStore.h
header crest/CrestView.h notes/view/NotesView.h tray/view/TrayView.h
expect 0 "a clean tree passes"

header core/Clock.h crest/CrestView.h
expect 1 "core including a view is rejected" "core reaches upwards"
header core/Clock.h

header notes/NotesStore.h core/Clock.h notes/view/NotesView.h
expect 1 "a model including its view is rejected" "runs upwards: notes is on the models floor"
header notes/NotesStore.h core/Clock.h

header notes/view/NotesView.h notes/NotesStore.h tray/view/TrayView.h
expect 1 "a feature including another feature's view is rejected" "notes/view may not include tray/view"
header notes/view/NotesView.h notes/NotesStore.h

header notes/NotesStore.h NotesFormat.h
expect 1 "an include that does not name its room is rejected" "name the room"
header notes/NotesStore.h view/NotesView.h
expect 1 "an include of a sub-room from its parent's folder is rejected" "no room view"
header notes/NotesStore.h core/Clock.h

header notes/NotesStore.h core/Clock.h tray/TrayStore.h
header tray/TrayStore.h core/Clock.h notes/NotesStore.h
expect 1 "notes and tray including each other is rejected" "include circle: notes -> tray -> notes"
exit $failed
