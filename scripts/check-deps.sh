#!/usr/bin/env bash
# What depends on what. The ground floor is core (no OS service), then the
# stand-ins for OS services under platform/. The music stands on them in
# floors: artwork (cover addresses and loading); players/model (one player
# controller for any player and the interface every kind of player
# implements); one room per kind of player, players/mpris, players/browser
# and players/pear (Pear reads the same page data as the browsers); music
# (the list of players and the choice of the active one). lyrics and
# nowplaying use the player model. The kit (ui: the crest's buttons, style,
# type, surfaces, symbols, menus and panels) stands on the ground floor only,
# and every view may use it; the floating lyrics window (lyrics/window) stands
# on the lyrics, the player model and the kit. The crest, and the application
# above it, use them all. A room includes only rooms below it; a room nested
# in another is a room of its own.
#
# Fails when an include crosses a line the layout promises:
# - logic (core, platform, stores, controllers, policies, bridges)
#   never includes QtWidgets, so it runs and is tested without a display;
# - nothing under src/platform/ includes a subsystem folder, so the stand-ins
#   for operating-system services know nothing of what uses them;
# - no two rooms include each other, directly or through other rooms, unless
#   the circle is listed in include-circles.txt (the circles the layout still
#   has; the list only shrinks).
# Views are the only files of a subsystem that may use QtWidgets; they are
# named for what they show (…View, …Panel, …Window, …Button, …Menu, …Dialog).
# The kit is all views.
#
# Usage: check-deps.sh [source-tree [circle-list]]; by default the repo's src/
# and scripts/include-circles.txt.
set -euo pipefail
scripts="$(cd "$(dirname "$0")" && pwd)"
src="$(cd "${1:-$scripts/../src}" && pwd)"
known_circles="$(realpath "${2:-$scripts/include-circles.txt}")"
cd "$src"

subsystems="app|crest|ui|tray|notes|music|players|artwork|nowplaying|lyrics|updates"
widgets='#include <(QtWidgets/|Q(Widget|Application|Menu|MenuBar|Action|Label|PushButton|ToolButton|AbstractButton|Dialog|MessageBox|TextEdit|PlainTextEdit|LineEdit|Slider|Layout|BoxLayout|HBoxLayout|VBoxLayout|GridLayout|StackedWidget|ScrollArea|ListView|TreeView|Style|StyleOption|GraphicsEffect|GraphicsBlurEffect|ToolTip|SystemTrayIcon|FileDialog|Frame|AbstractScrollArea|ListWidget|Splitter|ProgressBar|CheckBox|ComboBox)>)'
view_names='(View|Panel|Window|Button|Menu|Dialog|Strip|Scrubber|Toggle|Handle|Art|Surface|Preview|Delegate|Tracker|Widget)[A-Za-z]*\.(h|cpp)$'

breaches=0
report() { echo "dependency rule broken: $1"; breaches=$((breaches + 1)); }

# Ground floor: no widgets at all.
while IFS= read -r line; do report "$line (widgets in logic)"; done < <(
    grep -rnE "$widgets" core platform --include='*.h' --include='*.cpp' || true)

# Subsystems: only views (and the application entry) may use widgets.
while IFS= read -r line; do
    file="${line%%:*}"
    [[ "$file" == app/* ]] && continue
    [[ "$(basename "$file")" =~ $view_names ]] && continue
    report "$line (widgets in logic)"
done < <(grep -rnE "$widgets" $(ls -d */ | grep -vE '^(core|platform)/') --include='*.h' --include='*.cpp' || true)

# Platform: never a subsystem.
while IFS= read -r line; do report "$line (platform reaches into a subsystem)"; done < <(
    grep -rnE "#include \"($subsystems)/" platform --include='*.h' --include='*.cpp' || true)

# core is the floor: it includes nothing of ours above it.
while IFS= read -r line; do report "$line (core reaches upwards)"; done < <(
    grep -rnE '#include "(platform|'"$subsystems"')/' core --include='*.h' --include='*.cpp' || true)

# The floors of the music and the kit: each room names the rooms it may include.
declare -A may_include=(
    [ui]="core platform"
    [artwork]="core platform"
    [players/model]="core platform artwork"
    [players/mpris]="core platform players/model"
    [players/browser]="core platform artwork players/model"
    [players/pear]="core platform artwork players/model players/browser"
    [music]="core platform artwork players/model players/mpris players/browser players/pear"
    [lyrics]="core platform players/model"
    [lyrics/window]="core platform ui players/model lyrics"
)
# A room's own files: those of its folder, without the rooms nested in it.
own_grep() { # <room> <grep options...>
    local room="$1" sub excludes=()
    shift
    for sub in $(find "$room" -mindepth 2 -name CMakeLists.txt -printf '%h\n'); do
        excludes+=(--exclude-dir="$(basename "$sub")")
    done
    grep -r "${excludes[@]}" --include='*.h' --include='*.cpp' "$@" "$room"
}
for room in "${!may_include[@]}"; do
    [[ -d "$room" ]] || continue
    while IFS= read -r line; do
        target="$(sed -E 's|.*#include "([a-z]+(/[a-z]+)?)/[A-Za-z]+\.h".*|\1|' <<<"$line")"
        [[ "$target" == "$room" ]] && continue
        allowed=0
        for base in ${may_include[$room]}; do
            [[ "$target" == "$base" || "$target" == "$base"/* ]] && allowed=1
        done
        ((allowed)) || report "$line ($room may not include $target)"
    done < <(own_grep "$room" -nE '#include "[a-z]+(/[a-z]+)?/[A-Za-z]+\.h"' || true)
done

# Circles between rooms. A room is a folder with its own CMakeLists.txt; each
# include from one room into another is an edge. Every edge that can be
# followed back to where it started closes a circle, written as the shortest
# way round from its first room in name order, so one circle reads the same
# whichever of its edges finds it.
rooms="$(find . -mindepth 2 -name CMakeLists.txt -printf '%h\n' | sed 's|^\./||' | sort)"
circles="$(
    for room in $rooms; do
        own_grep "$room" -hoE '#include "[a-z]+(/[a-z]+)?/[A-Za-z0-9_]+\.h"' |
            sed -E 's|#include "(.*)/[^/]+"|\1|' | sort -u | sed "s|^|$room |" || true
    done | awk -v rooms="$rooms" '
        BEGIN { n = split(rooms, list, "\n"); for (i = 1; i <= n; i++) isroom[list[i]] = 1 }
        $1 != $2 && isroom[$2] { to[$1] = to[$1] " " $2; edges[++m] = $1 " " $2 }
        # Shortest way from a to b (breadth first, rooms in name order), or "".
        function way(a, b,    queue, head, tail, seen, from, here, next_, k, cnt, nexts, path) {
            delete seen; delete from; head = tail = 1; queue[1] = a; seen[a] = 1
            while (head <= tail) {
                here = queue[head++]
                if (here == b) {
                    path = b
                    while (here != a) { here = from[here]; path = here " " path }
                    return path
                }
                cnt = split(to[here], nexts, " ")
                for (k = 1; k <= cnt; k++) {
                    next_ = nexts[k]
                    if (!(next_ in seen)) { seen[next_] = 1; from[next_] = here; queue[++tail] = next_ }
                }
            }
            return ""
        }
        END {
            for (e = 1; e <= m; e++) {
                split(edges[e], ab, " ")
                back = way(ab[2], ab[1])
                if (back == "") continue
                cnt = split(ab[1] " " back, ring, " ")  # ring[cnt] == ring[1]
                low = 1
                for (k = 2; k < cnt; k++) if (ring[k] < ring[low]) low = k
                line = ring[low]
                for (k = 1; k < cnt; k++) line = line " -> " ring[(low + k - 1) % (cnt - 1) + 1]
                print line
            }
        }' | sort -u
)"
circle_count=0
while IFS= read -r circle; do
    [[ -n "$circle" ]] || continue
    circle_count=$((circle_count + 1))
    if [[ -f "$known_circles" ]] && grep -qxF "$circle" "$known_circles"; then
        echo "known include circle: $circle"
    else
        report "include circle: $circle"
    fi
done <<<"$circles"
echo "$circle_count include circle(s) between rooms"

if ((breaches > 0)); then
    echo "$breaches include(s) break the layout's dependency rule"
    exit 1
fi
echo "dependency rule: every include keeps to its room"
