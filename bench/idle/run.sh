#!/usr/bin/env bash
# Idle cost of the running program, side by side with its yardstick, in one
# run on one virtual display: a bare Qt panel with a 0.05 s pointer timer,
# the program, and the program with all seven players' controllers polling.
# Each settles, then its CPU use (percent of one core) over a window and its
# resident memory are read. Then the program's cost while a fake Spotify
# plays with its lyrics floating, the time from start to the first frame of
# the notch (bare panel beside the program), and the hover latency of the
# program: pointer onto the notch to the first expanded pixel below it, also
# while a player's bus name comes and goes 100 times a second. Last, the
# MPRIS players' figures: method calls per second to steadily playing
# players and the idle cost with three of them playing, signal to screen,
# and a storm of bus names (bench/mpris_players/main.cpp says what each
# yardstick is).
# Usage: bench/idle/run.sh [build-dir] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-20}"
binary="$build/src/velloway"
bare="$build/bench/bare_panel/bench_bare_panel"
pollers="$build/bench/idle_pollers/bench_idle_pollers"
hover="$build/bench/hover_latency/bench_hover_latency"
first_frame="$build/bench/first_frame/bench_first_frame"
playing="$build/bench/playing_lyrics/bench_playing_lyrics"
mpris="$build/bench/mpris_players/bench_mpris_players"
for file in "$binary" "$bare" "$pollers" "$hover" "$first_frame" "$playing" "$mpris"; do
    [[ -x "$file" ]] || { echo "build the program and benchmarks first: scripts/build.sh $build" >&2; exit 1; }
done

# start <command...>: runs the command with its own data folders; sets $pid.
start() {
    runtime="$(mktemp -d)"
    chmod 700 "$runtime"
    XDG_RUNTIME_DIR="$runtime" XDG_DATA_HOME="$runtime/data" XDG_CONFIG_HOME="$runtime/config" \
        "$@" &
    pid=$!
    sleep 3
}

stop() {
    kill -TERM "$pid"
    wait "$pid" || true
    rm -rf "$runtime"
}

# measure <label> <command...>
measure() {
    local label="$1"
    shift
    start "$@"
    local hz ticks_before ticks_after rss_kb
    hz="$(getconf CLK_TCK)"
    ticks_before="$(awk '{print $14 + $15}' "/proc/$pid/stat")"
    sleep "$seconds"
    ticks_after="$(awk '{print $14 + $15}' "/proc/$pid/stat")"
    rss_kb="$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")"
    stop
    awk -v label="$label" -v t="$((ticks_after - ticks_before))" -v hz="$hz" -v s="$seconds" \
        -v rss="$rss_kb" 'BEGIN { printf "%-24s %13.2f %% %11.1f MB\n", label, 100 * t / hz / s, rss / 1024 }'
}

if [[ "${VELLOWAY_BENCH_INSIDE:-}" == 1 ]]; then
    printf "%-24s %15s %14s\n" "" "CPU over ${seconds} s" "resident"
    measure "bare Qt panel" "$bare"
    measure "program" "$binary"
    measure "program, seven pollers" "$pollers"
    "$playing" "$binary" "$seconds"
    for round in 1 2 3; do
        for subject in "bare Qt panel:$bare" "program:$binary" "program, seven pollers:$pollers"; do
            runtime="$(mktemp -d)"
            chmod 700 "$runtime"
            XDG_RUNTIME_DIR="$runtime" XDG_DATA_HOME="$runtime/data" XDG_CONFIG_HOME="$runtime/config" \
                "$first_frame" "${subject%%:*}" "${subject#*:}"
            rm -rf "$runtime"
        done
    done
    start "$binary"
    XDG_RUNTIME_DIR="$runtime" "$hover" 21 || true
    echo "hover latency while a player's name comes and goes 100 times a second:"
    "$mpris" flap 30 &
    flapper=$!
    XDG_RUNTIME_DIR="$runtime" "$hover" 21 || true
    kill "$flapper" 2>/dev/null || true
    wait "$flapper" 2>/dev/null || true
    stop
    "$mpris" steady "$binary" "$bare" "$seconds"
    "$mpris" signal 50
    "$mpris" storm "$binary" 10
else
    VELLOWAY_BENCH_INSIDE=1 xvfb-run -a -s "-screen 0 1920x1080x24 -wr -noreset -nolisten tcp" \
        dbus-run-session -- "$0" "$build" "$seconds"
fi
