#!/usr/bin/env bash
# End-to-end: the real program in a real X server (Xvfb, with the openbox window
# manager), driven by synthetic keys through xdotool, as a person would, and by the
# mouse for one drag of a file onto the window. After each Save the image is
# compared with the bytes expected; captions are read from the windows. Every wait is on a window appearing or going, with a deadline.
#
# usage: e2e.sh PROGRAM MAKEIMAGE REVISION DRAGSOURCE (REVISION: the About caption's
# revision number; DRAGSOURCE: a program that drags a file as a file manager does)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
program="$(realpath "$1")"
makeimage="$(realpath "$2")"
revision="$3"
dragsource="$(realpath "$4")"
work="$(mktemp -d)"
artifacts="$PWD" # a screenshot of a failure lands here
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${E2E_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    xdotool search --name . getwindowname %@ >&2 2>/dev/null || true
    command -v import >/dev/null && import -window root "$artifacts/e2e-failure.png" 2>/dev/null || true
    exit 1
}

# A free display of our own.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
# The window manager is up once it owns the screen's WM selection.
for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done

# wait_window NAME-REGEX: prints the id of a visible window so named, within 10 s.
wait_window() {
    local id
    for _ in $(seq 200); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)" || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    fail "no window named /$1/ appeared"
}
# wait_active ID: waits until window ID has the keyboard focus, within 10 s.
wait_active() {
    for _ in $(seq 200); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && return 0
        sleep 0.05
    done
    fail "window $1 ($(xdotool getwindowname "$1" 2>/dev/null)) did not get the focus"
}
# wait_gone NAME-REGEX: waits until no visible window is so named, within 10 s.
wait_gone() {
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.05
    done
    fail "window /$1/ did not go"
}
# wait_popup: waits until the program shows one more window than the main ones.
windows_of_program() { xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l; }
wait_windows() {
    for _ in $(seq 200); do
        [ "$(windows_of_program)" -eq "$1" ] && return 0
        sleep 0.05
    done
    fail "expected $1 windows of the program, saw $(windows_of_program)"
}
keys() { xdotool key --clearmodifiers --delay 30 "$@"; }
caption() { xdotool getwindowname "$1"; }

# changes ORIGINAL IMAGE: "position:new" per changed byte (1-based, decimal).
changes() {
    local position old new out=()
    while read -r position old new; do
        out+=("$position:$((8#$new))") # cmp -l gives the bytes in octal
    done < <(cmp -l "$1" "$2" || true)
    echo "${out[*]}"
}
save_and_confirm() {
    keys space
    wait_active "$(wait_window '^QuendleStoreEdit$')"
    keys Return
    wait_gone '^QuendleStoreEdit$'
}

# From a freshly opened image (Text8 has the focus): store 12 by name (eight Tabs
# reach the store-name list), then the next item in slot 3's list (five Shift+Tabs
# back), then Save (six Tabs on to the button) and its message.
save_next_item_of_store_12_slot_3() {
    base=$(windows_of_program)
    keys Tab Tab Tab Tab Tab Tab Tab Tab F4
    wait_windows $((base + 1))
    keys Down Down Down Down Down Down Down Down Down Down Down Down Return
    wait_windows "$base"
    keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab Down
    keys Tab Tab Tab Tab Tab Tab
    save_and_confirm
}

mkdir -p "$work/my roms"
rom="$work/my roms/rom a.smc" # xdotool types non-ASCII unreliably; the widget tests cover it
"$makeimage" --possessed "$rom"
cp "$rom" "$work/original.smc"

cd "$work"
QT_XCB_NO_XI2=1 QT_QPA_PLATFORMTHEME= QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app=$!
pids+=($app)

main="$(wait_window '^Quendle store edit$')"
wait_active "$main"
[ "$(caption "$main")" = "Quendle store edit" ] || fail "start caption: $(caption "$main")"

# OpenRom through the real file dialog: type the path, Enter; the path message.
keys ctrl+o
dialog="$(wait_window '^(Open|Open File)$')"
wait_active "$dialog"
xdotool type --delay 15 "$rom"
keys Return
wait_active "$(wait_window '^QuendleStoreEdit$')"
keys Return
wait_gone '^QuendleStoreEdit$'
wait_active "$main"
[ "$(caption "$main")" = "Quendle store edit Rom is possessed, Boo!" ] ||
    fail "caption after opening a possessed image: $(caption "$main")"

save_next_item_of_store_12_slot_3
# Store 12, slot 3 held 213 in the demo image; the next item is 214.
got="$(changes "$work/original.smc" "$rom")"
[ "$got" = "1407248:214" ] || fail "after the item save, changed bytes: '$got'"
cp "$rom" "$work/step1.smc"

# Store 20 by number: one Tab to the store-number list, eight entries down.
keys Tab F4
wait_windows $((base + 1))
keys Down Down Down Down Down Down Down Down Return
wait_windows "$base"

# Options > unlock numberlists, by the menu bar's keyboard navigation.
keys alt
keys Right Down
wait_windows $((base + 1))
keys Return
wait_windows "$base"

# Slot 1's field: eight Shift+Tabs from the store-number list; type 7; Save.
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab ctrl+a
xdotool type --delay 15 "7"
keys Tab Tab Tab Tab Tab Tab Tab
save_and_confirm
got="$(changes "$work/step1.smc" "$rom")"
[ "$got" = "1407302:7" ] || fail "after the typed save, changed bytes: '$got'"

# The About window: Alt+A shows it; the window manager closes it (Alt+F4).
keys alt+a
about="$(wait_window "^Quendle store Edit revesion#$revision\$")"
wait_active "$about"
keys alt+F4
wait_gone "^Quendle store Edit revesion#$revision\$"

# Ctrl+Q ends the program.
wait_active "$main"
keys ctrl+q
for _ in $(seq 200); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
kill -0 "$app" 2>/dev/null && fail "the program is still running after Ctrl+Q"
wait "$app" || fail "the program ended with status $?"

# Nothing but the two saved stores changed, and the length is the same.
got="$(changes "$work/original.smc" "$rom")"
[ "$got" = "1407248:214 1407302:7" ] || fail "changed bytes in all: '$got'"
[ "$(stat -c %s "$rom")" = "$(stat -c %s "$work/original.smc")" ] || fail "the length changed"
# Started with a file, as a desktop's "Open with" does (Exec=QuendleStoreEdit %f): the
# path message, then the image open; the window's class is the desktop entry's.
cd "$work/my roms"
QT_XCB_NO_XI2=1 QT_QPA_PLATFORMTHEME= QT_QPA_PLATFORM=xcb "$program" "rom a.smc" >"$work/app2.log" 2>&1 &
app=$!
pids+=($app)
main="$(wait_window '^Quendle store edit')"
wait_active "$(wait_window '^QuendleStoreEdit$')"
keys Return
wait_gone '^QuendleStoreEdit$'
wait_active "$main"
[ "$(caption "$main")" = "Quendle store edit Rom is possessed, Boo!" ] ||
    fail "caption after opening the file argument: $(caption "$main")"
class="$(xprop -id "$main" WM_CLASS)"
wmclass="$(sed -n 's/^StartupWMClass=//p' "$here/../../data/org.quendlestoreedit.QuendleStoreEdit.desktop")"
grep -qF "\"$wmclass\"" <<<"$class" || fail "window class $class, desktop entry says $wmclass"
keys ctrl+q
for _ in $(seq 200); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
wait "$app" || fail "the program ended with status $?"
[ "$(changes "$work/original.smc" "$rom")" = "1407248:214 1407302:7" ] || fail "opening wrote"

# An image without a copier header (most dumps today), dropped on the window from a
# drag source as a file manager drops it, with one of Qt's own options given: its
# table and its marker lie 512 bytes earlier, and the same road saves store 12's
# slot 3 there.
plain="$work/my roms/plain.sfc"
"$makeimage" --possessed --no-header "$plain"
cp "$plain" "$work/plain-original.sfc"
QT_XCB_NO_XI2=1 QT_QPA_PLATFORMTHEME= QT_QPA_PLATFORM=xcb "$program" -style Fusion >"$work/app3.log" 2>&1 &
app=$!
pids+=($app)
main="$(wait_window '^Quendle store edit$')"
wait_active "$main"
QT_XCB_NO_XI2=1 QT_QPA_PLATFORMTHEME= QT_QPA_PLATFORM=xcb "$dragsource" "$plain" >"$work/drag.log" 2>&1 &
pids+=($!)
source_window="$(wait_window '^drag source$')"
eval "$(xdotool getwindowgeometry --shell "$source_window" | sed 's/^/SOURCE_/')"
eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/MAIN_/')"
xdotool mousemove --sync $((SOURCE_X + SOURCE_WIDTH / 2)) $((SOURCE_Y + SOURCE_HEIGHT / 2))
xdotool mousedown 1
# Moved in steps, as a hand moves, so that both programs see the drag cross over.
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove --sync \
        $((SOURCE_X + SOURCE_WIDTH / 2 + (MAIN_X + MAIN_WIDTH / 2 - SOURCE_X - SOURCE_WIDTH / 2) * step / 10)) \
        $((SOURCE_Y + SOURCE_HEIGHT / 2 + (MAIN_Y + MAIN_HEIGHT / 2 - SOURCE_Y - SOURCE_HEIGHT / 2) * step / 10))
    sleep 0.05
done
# A last move over the window, and a moment, before the button goes up: the drop
# comes where the window last said it takes the drag.
sleep 0.3
xdotool mousemove_relative --sync 3 3
sleep 0.3
xdotool mouseup 1
message="$(wait_window '^QuendleStoreEdit$')"
wait_active "$message"
keys Return
wait_gone '^QuendleStoreEdit$'
grep -qx dropped "$work/drag.log" || fail "the drag source says: $(cat "$work/drag.log")"
wait_active "$main"
[ "$(caption "$main")" = "Quendle store edit Rom is possessed, Boo!" ] ||
    fail "caption after dropping a header-less image: $(caption "$main")"
save_next_item_of_store_12_slot_3
keys ctrl+q
for _ in $(seq 200); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
wait "$app" || fail "the program ended with status $?"
got="$(changes "$work/plain-original.sfc" "$plain")"
[ "$got" = "$((1407248 - 512)):214" ] || fail "after the header-less save, changed bytes: '$got'"

echo "e2e: 1 passed, 0 failed"
