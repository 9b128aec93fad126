#!/usr/bin/env bash
# Builds with --coverage, runs the whole suite under the same virtual display
# and private session bus as scripts/test.sh, and prints line and branch
# coverage per src/ folder. The full report is kept in build-coverage/coverage.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$root/build-coverage"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Debug -DVELLOWAY_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage"
find "$dir" -name '*.gcda' -delete
(cd "$dir" && xvfb-run -a -s "-screen 0 1920x1080x24 -wr -noreset -nolisten tcp" \
    dbus-run-session -- ctest --timeout 600 -j2) || echo "(some tests failed; coverage is of what ran)"

# gcovr's own summary is per file; fold it into one row per folder.
# From the build folder: gcovr leaves its .gcov files where it runs if it fails.
cd "$dir"
gcovr --root "$root" --filter "$root/src/" --object-directory "$dir" --gcov-ignore-parse-errors \
    --exclude-unreachable-branches --exclude-throw-branches \
    --txt "$dir/coverage.txt" --csv "$dir/coverage.csv" >/dev/null 2>"$dir/gcovr.log"
python3 - "$dir/coverage.csv" <<'PY'
import csv, sys, collections
rows = collections.OrderedDict()
def add(key, r):
    t = rows.setdefault(key, [0, 0, 0, 0])
    t[0] += int(r['line_total']); t[1] += int(r['line_covered'])
    t[2] += int(r['branch_total']); t[3] += int(r['branch_covered'])
# A header is read through its floor's folder of links (build/src/floors/<floor>/)
# as well as from src/; count each file once, by its place in src/, keeping the
# better of the two readings.
files = {}
for r in csv.DictReader(open(sys.argv[1])):
    name = r['filename']
    if '/floors/' in name:
        name = 'src/' + name.split('/floors/', 1)[1].split('/', 1)[1]
    r['filename'] = name
    kept = files.get(name)
    if kept:
        for k in ('line_covered', 'branch_covered'):
            r[k] = max(int(r[k]), int(kept[k]))
    files[name] = r
for r in sorted(files.values(), key=lambda r: r['filename']):
    parts = r['filename'].split('/')
    folder = '/'.join(parts[1:3] if parts[1] == 'platform' and len(parts) > 3 else parts[1:2])
    add(folder, r)
    add('src (all)', r)
pct = lambda c, t: f"{100.0 * c / t:5.1f} %" if t else "    - "
print(f"{'folder':<20} {'lines':>14} {'line cov':>9} {'branches':>14} {'branch cov':>10}")
for k, (lt, lc, bt, bc) in sorted(rows.items(), key=lambda kv: (kv[0] == 'src (all)', kv[0])):
    print(f"{k:<20} {lc:>6}/{lt:<7} {pct(lc, lt):>9} {bc:>6}/{bt:<7} {pct(bc, bt):>10}")
PY
