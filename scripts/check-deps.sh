#!/usr/bin/env bash
# What depends on what. Rooms (folders with a CMakeLists.txt) stand on four
# floors, each its own library, named in the room's velloway_sources(<floor>):
# ground (core, then the stand-ins for OS services under platform/), models
# (each feature's stores, controllers, players and policies), views (the kit
# in ui/, each feature's views in a sub-room beside its model, and the crest
# that composes them) and app (the composition root). The build already
# refuses an include that runs to a higher floor; this script says so in
# words, and keeps the rules a compiler cannot see:
# - logic (core, platform, stores, controllers, policies, bridges) never
#   includes QtWidgets, so it runs and is tested without a display; views are
#   named for what they show (…View, …Panel, …Window, …Button, …Menu, …);
# - an include names its room from src/ ("room/File.h"), so a file cannot
#   reach past its floor through its own folder;
# - core includes nothing above it, platform/ nothing of a feature;
# - within a floor, each room names the rooms it may lean on (below), so no
#   feature includes another feature's view: the crest is where they meet;
# - no two rooms include each other, directly or through other rooms.
#
# Usage: check-deps.sh [source-tree]; by default the repo's src/.
set -euo pipefail
scripts="$(cd "$(dirname "$0")" && pwd)"
src="$(cd "${1:-$scripts/../src}" && pwd)"
cd "$src"

subsystems="app|crest|ui|tray|notes|music|players|artwork|nowplaying|lyrics|updates|browserhost"
widgets='#include <(QtWidgets/|Q(Widget|Application|Menu|MenuBar|Action|Label|PushButton|ToolButton|AbstractButton|Dialog|MessageBox|TextEdit|PlainTextEdit|LineEdit|Slider|Layout|BoxLayout|HBoxLayout|VBoxLayout|GridLayout|StackedWidget|ScrollArea|ListView|TreeView|Style|StyleOption|GraphicsEffect|GraphicsBlurEffect|ToolTip|SystemTrayIcon|FileDialog|Frame|AbstractScrollArea|ListWidget|Splitter|ProgressBar|CheckBox|ComboBox)>)'
view_names='(View|Panel|Window|Button|Menu|Dialog|Strip|Scrubber|Toggle|Handle|Art|Surface|Preview|Delegate|Tracker|Widget)[A-Za-z]*\.(h|cpp)$'

breaches=0
# Lines of one room's own files (not its sub-rooms') that match a pattern.
room_grep() { # <grep flags> <pattern> <room>
    local files
    mapfile -t files < <(find "$3" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \))
    ((${#files[@]})) || return 0
    grep "$1" -E "$2" "${files[@]}" /dev/null || true
}
# The room an include line names: "lyrics/window" for "lyrics/window/X.h".
included_room() { sed -E 's|.*#include "([a-z]+(/[a-z]+)?)/[A-Za-z0-9_]+\.h".*|\1|' <<<"$1"; }
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

# Within the floors: each room names the rooms it may include. A feature's
# views lean on its own model, the kit and the player model only.
declare -A may_include=(
    [artwork]="core platform"
    [players/model]="core platform artwork"
    [players/mpris]="core platform players/model"
    [players/browser]="core platform artwork players/model"
    [players/pear]="core platform artwork players/model players/browser"
    [music]="core platform artwork players/model players/mpris players/browser players/pear"
    [lyrics]="core platform players/model"
    [notes]="core platform"
    [tray]="core platform"
    [updates]="core platform"
    [ui]="core platform"
    [nowplaying]="core platform ui players/model"
    [lyrics/window]="core platform ui lyrics players/model"
    [notes/view]="core platform ui notes"
    [tray/view]="core platform ui tray"
    [updates/view]="core platform ui updates"
)
for room in "${!may_include[@]}"; do
    [[ -d "$room" ]] || continue
    while IFS= read -r line; do
        target="$(included_room "$line")"
        [[ "$target" == "$room" ]] && continue
        allowed=0
        for base in ${may_include[$room]}; do
            [[ "$target" == "$base" || ("$base" == platform && "$target" == platform/*) ]] && allowed=1
        done
        ((allowed)) || report "$line ($room may not include $target)"
    done < <(room_grep -n '#include "[a-z]+(/[a-z]+)?/[A-Za-z0-9_]+\.h"' "$room")
done

# Includes name their room from src/.
while IFS= read -r line; do report "$line (name the room: \"room/File.h\")"; done < <(
    grep -rnE '#include "([^/"]*|\.\.?/.*)"' . --include='*.h' --include='*.cpp' |
        grep -vE '\.moc"' || true)

# Floors: a room includes only rooms on its floor or below.
declare -A floor_of=()
floor_rank() { case "$1" in ground) echo 0 ;; models) echo 1 ;; views) echo 2 ;; app) echo 3 ;; *) echo 3 ;; esac; }
for list in $(find . -mindepth 2 -name CMakeLists.txt | sort); do
    room="$(dirname "${list#./}")"
    floor="$(sed -nE 's/^velloway_sources\(([a-z]+)\).*/\1/p' "$list" | head -n1)"
    floor_of[$room]="${floor:-app}"
done
for room in "${!floor_of[@]}"; do
    while IFS= read -r line; do
        target="$(included_room "$line")"
        if [[ -z "${floor_of[$target]:-}" ]]; then
            # "view/X.h" from a model's folder would reach its sub-room.
            report "$line (name the room: no room $target under src/)"
            continue
        fi
        if (($(floor_rank "${floor_of[$target]}") > $(floor_rank "${floor_of[$room]}"))); then
            report "$line (runs upwards: $room is on the ${floor_of[$room]} floor, $target on the ${floor_of[$target]} floor)"
        fi
    done < <(room_grep -n '#include "[a-z]+(/[a-z]+)?/[A-Za-z0-9_]+\.h"' "$room")
done

# Circles between rooms. A room is a folder with its own CMakeLists.txt; each
# include from one room into another is an edge. Every edge that can be
# followed back to where it started closes a circle, written as the shortest
# way round from its first room in name order, so one circle reads the same
# whichever of its edges finds it.
rooms="$(find . -mindepth 2 -name CMakeLists.txt -printf '%h\n' | sed 's|^\./||' | sort)"
circles="$(
    for room in $rooms; do
        room_grep -ho '#include "[a-z]+(/[a-z]+)?/[A-Za-z0-9_]+\.h"' "$room" |
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
    report "include circle: $circle"
done <<<"$circles"
echo "$circle_count include circle(s) between rooms"

if ((breaches > 0)); then
    echo "$breaches include(s) break the layout's dependency rule"
    exit 1
fi
echo "dependency rule: every include keeps to its room"
