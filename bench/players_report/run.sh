#!/usr/bin/env bash
# `velloway --players` beside `playerctl -a metadata` (its yardstick), both
# asking the same bus with one MPRIS player (mpv playing a file) and no
# browser: wall time of each, median of the rounds.
# Usage: bench/players_report/run.sh [build-dir] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
rounds="${2:-15}"
binary="$build/src/velloway"
[[ -x "$binary" ]] || { echo "build the program first: scripts/build.sh $build" >&2; exit 1; }
command -v playerctl >/dev/null && command -v mpv >/dev/null ||
    { echo "run scripts/setup.sh first (playerctl, mpv)" >&2; exit 1; }

if [[ "${VELLOWAY_BENCH_INSIDE:-}" == 1 ]]; then
    home="$(mktemp -d)"
    chmod 700 "$home"
    trap 'kill "$player" 2>/dev/null || true; rm -rf "$home"' EXIT
    # One minute of silence as a plain WAV file.
    python3 -c "
import wave
w = wave.open('$home/tone.wav', 'w'); w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
w.writeframes(bytes(2 * 8000 * 60)); w.close()"
    mpv --no-config --ao=null --vo=null --no-terminal --script=/usr/lib/mpv-mpris/mpris.so \
        "$home/tone.wav" &
    player=$!
    for _ in $(seq 50); do playerctl -l 2>/dev/null | grep -q mpv && break; sleep 0.1; done
    median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
    time_ms() { local start end; start=$(date +%s%N); "$@" >/dev/null 2>&1 || true; end=$(date +%s%N); echo $(((end - start) / 1000000)); }
    ours=$(for _ in $(seq "$rounds"); do
        XDG_RUNTIME_DIR="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
            time_ms "$binary" --players; done | median)
    yardstick=$(for _ in $(seq "$rounds"); do time_ms playerctl -a metadata; done | median)
    printf "%-34s %6s ms (median of %s)\n" "velloway --players" "$ours" "$rounds"
    printf "%-34s %6s ms\n" "yardstick: playerctl -a metadata" "$yardstick"
else
    VELLOWAY_BENCH_INSIDE=1 dbus-run-session -- "$0" "$build" "$rounds"
fi
