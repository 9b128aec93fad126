#!/usr/bin/env bash
# Sets up, builds and runs every test: once on the normal build and once on an
# address + undefined-behaviour sanitizer build. Each run gets its own virtual
# display (Xvfb, white root so the black crest shows in screenshots) and its
# own private session bus, so nothing is needed by hand.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/check-deps.sh"

run_suite() {
    local dir="$1"; shift
    "$root/scripts/build.sh" "$dir" "$@"
    (cd "$dir" && xvfb-run -a -s "-screen 0 1920x1080x24 -wr -noreset -nolisten tcp" \
        dbus-run-session -- ctest --output-on-failure --timeout 600 -j2)
}

run_suite "$root/build"
if [[ "${VELLOWAY_SKIP_SANITIZERS:-0}" != 1 ]]; then
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    run_suite "$root/build-asan" -DVELLOWAY_SANITIZE=ON -DVELLOWAY_BENCH=OFF
fi
