#!/usr/bin/env bash
# Idle cost of the running program: starts it on a virtual display, lets it
# settle, then reports its CPU use (percent of one core) over a window and
# its resident memory. Usage: bench/idle/run.sh [build-dir] [seconds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-20}"
binary="$build/src/velloway"
[[ -x "$binary" ]] || { echo "build the program first: scripts/build.sh $build" >&2; exit 1; }

measure() {
    local runtime
    runtime="$(mktemp -d)"
    chmod 700 "$runtime"
    XDG_RUNTIME_DIR="$runtime" XDG_DATA_HOME="$runtime/data" XDG_CONFIG_HOME="$runtime/config" \
        "$binary" &
    local pid=$!
    sleep 3
    local hz ticks_before ticks_after
    hz="$(getconf CLK_TCK)"
    ticks_before="$(awk '{print $14 + $15}' "/proc/$pid/stat")"
    sleep "$seconds"
    ticks_after="$(awk '{print $14 + $15}' "/proc/$pid/stat")"
    local rss_kb
    rss_kb="$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")"
    kill -TERM "$pid"
    wait "$pid" || true
    rm -rf "$runtime"
    awk -v t="$((ticks_after - ticks_before))" -v hz="$hz" -v s="$seconds" -v rss="$rss_kb" \
        'BEGIN { printf "idle CPU: %.2f %% of one core over %d s\nresident memory: %.1f MB\n", 100 * t / hz / s, s, rss / 1024 }'
}

if [[ "${VELLOWAY_BENCH_INSIDE:-}" == 1 ]]; then
    measure
else
    VELLOWAY_BENCH_INSIDE=1 xvfb-run -a -s "-screen 0 1920x1080x24 -noreset -nolisten tcp" \
        dbus-run-session -- "$0" "$build" "$seconds"
fi
