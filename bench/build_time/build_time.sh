#!/usr/bin/env bash
# How long the build takes, for two revisions side by side in one run (the
# machines are shared, so only figures from the same run compare): a clean
# tree, then a one-line change in one model's source file, without a
# compiler cache. The two revisions take turns, so load that comes and goes
# falls on both.
# Usage: build_time.sh <before-rev> <after-rev> [model source, from the repo]
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
before="$1"; after="$2"; model="${3:-src/notes/NotesStore.cpp}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
jobs="$(nproc)"

for rev in "$before" "$after"; do
    mkdir -p "$work/$rev"
    git -C "$repo" archive "$rev" | tar -x -C "$work/$rev"
done
seconds() { # <rev> <what>: builds and prints the wall time
    local start end
    start="$(date +%s.%N)"
    cmake --build "$work/$1/build" --parallel "$jobs" >/dev/null
    end="$(date +%s.%N)"
    printf '%-12s %-20s %7.1f s\n' "$1" "$2" "$(awk "BEGIN { print $end - $start }")"
}
for rev in "$before" "$after"; do
    cmake -S "$work/$rev" -B "$work/$rev/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
done
for rev in "$before" "$after"; do seconds "$rev" "clean tree"; done
for round in 1 2; do
    for rev in "$before" "$after"; do
        echo "// round $round" >>"$work/$rev/$model"
        seconds "$rev" "one model file"
    done
done
