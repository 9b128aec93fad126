#!/usr/bin/env bash
# Fails when an include crosses a line the layout promises:
# - logic (core, scripting, platform, stores, controllers, policies, bridges)
#   never includes QtWidgets, so it runs and is tested without a display;
# - nothing under src/platform/ includes a subsystem folder, so the stand-ins
#   for operating-system services know nothing of what uses them.
# Views are the only files of a subsystem that may use QtWidgets; they are
# named for what they show (…View, …Panel, …Window, …Button, …Menu, …Dialog).
set -euo pipefail
src="$(cd "$(dirname "$0")/../src" && pwd)"
cd "$src"

subsystems="app|crest|tray|notes|music|players|artwork|nowplaying|lyrics|controls|updates"
widgets='#include <(QtWidgets/|Q(Widget|Application|Menu|MenuBar|Action|Label|PushButton|ToolButton|AbstractButton|Dialog|MessageBox|TextEdit|PlainTextEdit|LineEdit|Slider|Layout|BoxLayout|HBoxLayout|VBoxLayout|GridLayout|StackedWidget|ScrollArea|ListView|TreeView|Style|StyleOption|GraphicsEffect|GraphicsBlurEffect|ToolTip|SystemTrayIcon|FileDialog|Frame|AbstractScrollArea|ListWidget|Splitter|ProgressBar|CheckBox|ComboBox)>)'
view_names='(View|Panel|Window|Button|Menu|Dialog|Strip|Scrubber|Toggle|Handle|Art|Surface|Preview|Delegate|Tracker|Widget)[A-Za-z]*\.(h|cpp)$'

breaches=0
report() { echo "dependency rule broken: $1"; breaches=$((breaches + 1)); }

# Ground floor: no widgets at all.
while IFS= read -r line; do report "$line (widgets in logic)"; done < <(
    grep -rnE "$widgets" core scripting platform --include='*.h' --include='*.cpp' || true)

# Subsystems: only views (and the application entry) may use widgets.
while IFS= read -r line; do
    file="${line%%:*}"
    [[ "$file" == app/* ]] && continue
    [[ "$(basename "$file")" =~ $view_names ]] && continue
    report "$line (widgets in logic)"
done < <(grep -rnE "$widgets" $(ls -d */ | grep -vE '^(core|scripting|platform)/') --include='*.h' --include='*.cpp' || true)

# Platform: never a subsystem.
while IFS= read -r line; do report "$line (platform reaches into a subsystem)"; done < <(
    grep -rnE "#include \"($subsystems)/" platform --include='*.h' --include='*.cpp' || true)

# core is the floor: it includes nothing of ours above it.
while IFS= read -r line; do report "$line (core reaches upwards)"; done < <(
    grep -rnE '#include "(scripting|platform|'"$subsystems"')/' core --include='*.h' --include='*.cpp' || true)

if ((breaches > 0)); then
    echo "$breaches include(s) break the layout's dependency rule"
    exit 1
fi
echo "dependency rule: every include keeps to its room"
