#!/usr/bin/env bash
# Runs the program in a real X server (Xvfb) with a window manager (openbox)
# and a tray host (trayer): the strip must appear where its configuration
# puts it with its first tile Up; the hide button must hide it, and a click on
# the tray icon bring it back; the box menu must open its Tools popup, duplicate, move, disable and
# delete a box, show its status information, and open Add and Edit of the box
# properties dialog; Options from the tray menu must widen the tiles and
# create the start-at-login entry, and its Cancel must leave the configuration
# as it was; every window the menus open must stand above the strip in each
# z-order. Screenshots are kept in the artifacts folder.
#   xvfb_check.sh PROGRAM SCREEN_GRAB ARTIFACTS
set -euo pipefail
# The program's titles are Chinese: it and the tools that read them run in a
# UTF-8 locale whatever the caller's (a container or a chroot often has none).
export LC_ALL=C.UTF-8
program="$1"
grab="$2"
artifacts="$3"
mkdir -p "$artifacts"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "Xvfb check failed: $*"
    sed 's/^/    program: /' "$work/program.log" | grep -v QStandardPaths | tail -n 20 || true
    "$grab" "$artifacts/xvfb-failure.png" >/dev/null 2>&1 || true
    exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tries="$1"
    shift
    for _ in $(seq "$tries"); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}
# Checks for $1 tenths of a second that the command after it stays true.
holds() {
    local tries="$1"
    shift
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 || return 1
        sleep 0.1
    done
}

# The program's visible windows that the window manager manages (not its
# menus nor its tray icon) whose title matches the extended regular
# expression $1. The title is read from _NET_WM_NAME, always UTF-8; the legacy
# WM_NAME that xdotool's --name matches is written in the program's locale.
titled() {
    local clients w
    clients=" $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed 's/.*# //; s/,//g') "
    for w in $(xdotool search --onlyvisible --class korvalen 2>/dev/null); do
        if [[ "$clients" == *" $(printf '0x%x' "$w") "* && "$(xdotool getwindowname "$w" 2>/dev/null)" =~ $1 ]]; then
            echo "$w"
        fi
    done
}
any_titled() { [ -n "$(titled "$1")" ]; }
none_titled() { [ -z "$(titled "$1")" ]; }
# True while a client holds the keyboard, as an open menu does: only then do
# typed keys reach it wherever the focus is. A grab of the probe's own ends
# with its connection.
keyboard_grabbed() {
    python3 -c '
import ctypes
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
display = x.XOpenDisplay(None)
already_grabbed = 1
raise SystemExit(0 if display and x.XGrabKeyboard(display, x.XDefaultRootWindow(display), 0, 1, 1, 0) == already_grabbed else 1)
'
}
# Waits, once a menu is shown, until it takes the keys.
menu_takes_keys() { wait_for 20 keyboard_grabbed || fail "the menu that opened did not take the keyboard"; }
# True once window $1 is no longer shown.
hidden_window() { ! xdotool search --onlyvisible --class korvalen | grep -qx "$1"; }
# Waits until window $1 has the keyboard focus.
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
# Everything here talks to the X server, whatever the caller chose for tests.
export QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
pids+=($!)
# The tray host docks into the window manager's panel space: it starts once
# the window manager has taken the screen, and again if it gave up early.
wait_for 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "the window manager did not start"
for _ in 1 2 3; do
    trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 28 \
        --transparent false --tint 0xd0d0d0 >"$work/trayer.log" 2>&1 &
    pids+=($!)
    if wait_for 100 xdotool search --class trayer; then break; fi
done
xdotool search --class trayer >/dev/null 2>&1 || fail "the tray host did not start: $(tail -n 3 "$work/trayer.log")"

mkdir -p "$work/appdata/Korvalen" "$work/run"
chmod 700 "$work/run"
cat >"$work/appdata/Korvalen/MainConfA.ini" <<'INI'
[main]
FirstStart=0
NumBox=2
PosX=200
PosY=150
WinBeh=1
[Box 0]
Text=Loopback
IPAdress=127.0.0.1
CheckInterval=1
[Box 1]
Text=Second
IPAdress=127.0.0.2
CheckInterval=1
INI
start_program() {
    APPDATA="$work/appdata" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
        "$program" >>"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
}
start_program

# Ends the running program before a check that starts one of its own.
stop_program() {
    kill "$program_pid"
    wait_for 50 sh -c "! kill -0 $program_pid" || fail "the program did not end for $1"
}
# Starts the program on the data folder $1 for the check named $2 (further
# VAR=value words go to its environment) and waits for its window.
start_on() {
    local appdata="$1" what="$2"
    shift 2
    env "$@" APPDATA="$appdata" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
        "$program" >>"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
    wait_for 100 find_window || fail "no window appeared for $what"
}

window=""
find_window() { window="$(titled '^Korvalen\.$' | head -n 1)"; test -n "$window"; }
wait_for 100 find_window || fail "no window appeared"

# The first tile turns the Up colour (RGB 197 209 254) within a few seconds.
up_colour() { test "$("$grab" "$work/probe.png" 210 215)" = "197 209 254"; }
wait_for 100 up_colour || fail "the first tile did not turn Up at (210, 215)"
"$grab" "$artifacts/xvfb-up.png" >/dev/null
geometry="$(xdotool getwindowgeometry "$window")"
echo "$geometry" | grep -q "Position: 200,150" || fail "the strip is not at 200,150: $geometry"

# The box menu, as a new user meets it: a right click on a tile opens it
# (its bottom-left corner at the cursor); rows are chosen with the keyboard,
# which skips greyed rows.
config="$work/appdata/Korvalen/MainConfA.ini"
# The value of KEY in section SECTION of the configuration file.
ini_value() {
    awk -v section="[$1]" -v key="$2" -F= '
        /^\[/ { inside = ($0 == section) }
        inside && $1 == key { print $2; exit }' "$config"
}
visible_count() { xdotool search --onlyvisible --class korvalen | wc -l; }
menu_before=0
menu_opened() { [ "$(visible_count)" -gt "$menu_before" ]; }
# Right-clicks at X Y and waits for the menu to open. Two presses close in
# time and place make a double click, which opens no menu: clicks in a row
# alternate between X and 20 pixels to its right.
click_shift=0
open_box_menu() {
    menu_before="$(visible_count)"
    click_shift=$((20 - click_shift))
    xdotool mousemove $(($1 + click_shift)) "$2" click 3
    wait_for 50 menu_opened || fail "a right click at $(($1 + click_shift)),$2 opened no menu"
    menu_takes_keys
}
width_is() { xdotool getwindowgeometry "$window" | grep -q "Geometry: $1x82"; }
stored_is() { [ "$(ini_value "$1" "$2")" = "$3" ]; }
not_up() { ! up_colour; }
# Messages that wait for no answer can be open side by side: the first is
# taken, reading the rest so that the listing never ends on a broken pipe.
message_box() { titled '^Korvalen$' | sed -n 1p; }
message_shown() { [ -n "$(message_box)" ]; }
message_gone() { ! message_shown; }
menu_closed() { ! menu_opened; }

# The Tools popup, the menu's first row: Right opens it beside the menu, its
# top level with the menu's as only the first row's popup is; Escape twice
# closes both.
open_box_menu 250 190
xdotool key Down Right
popup_opened() { [ "$(visible_count)" -gt $((menu_before + 1)) ]; }
wait_for 50 popup_opened || fail "Right on the box menu's first row opened no Tools popup"
"$grab" "$artifacts/xvfb-tools-popup.png" >/dev/null
menu_tops() {
    for w in $(xdotool search --onlyvisible --class korvalen); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [ "$w" != "$window" ] && [ "$WIDTH" -gt 64 ]; then echo "$Y"; fi
    done
}
tops="$(menu_tops | sort -u | tr '\n' ' ')"
[ "$(echo $tops | wc -w)" = 1 ] || fail "the Tools popup is not level with the box menu: tops $tops"
xdotool key Escape Escape
wait_for 50 menu_closed || fail "Escape did not close the Tools popup and the box menu"

# Duplicate the first box: Move and duplicate, its popup, the row after
# "move right" (move left is greyed for the first box).
open_box_menu 250 190
"$grab" "$artifacts/xvfb-box-menu.png" >/dev/null
xdotool key Down Down Down Right Down Return
wait_for 50 width_is 281 || fail "duplicate did not add a tile: $(xdotool getwindowgeometry "$window")"
stored_is main NumBox 3 || fail "after duplicate the file holds NumBox=$(ini_value main NumBox)"
stored_is 'Box 1' Text Loopback || fail "the copy is not the second box in the file"

# Move the copy (the second tile) left: the first enabled row of the popup.
# The copy is the original's twin, so only its menu closing shows here; the
# tests follow each box through the move.
open_box_menu 344 190
xdotool key Down Down Down Right Return
wait_for 50 menu_closed || fail "the menu did not close after moving the copy left"
width_is 281 || fail "moving changed the strip's size"

# Disable the copy, now the first tile: the last row of the popup.
open_box_menu 250 190
xdotool key Down Down Down Right Up Return
wait_for 50 stored_is 'Box 0' Disabled 1 || fail "disabling the first box did not store Disabled=1"
wait_for 50 not_up || fail "the disabled tile still shows Up"
stored_is 'Box 1' Disabled 0 || fail "the second box was disabled too"
"$grab" "$artifacts/xvfb-disabled-copy.png" >/dev/null

# Delete it: the last row of the menu, then Yes in the confirmation.
open_box_menu 250 190
xdotool key Up Return
wait_for 50 message_shown || fail "delete asked nothing"
"$grab" "$artifacts/xvfb-delete-confirmation.png" >/dev/null
xdotool windowactivate --sync "$(message_box)" key y
wait_for 50 width_is 190 || fail "Yes did not delete the tile: $(xdotool getwindowgeometry "$window")"
stored_is main NumBox 2 || fail "after delete the file holds NumBox=$(ini_value main NumBox)"
stored_is 'Box 0' Disabled 0 || fail "the disabled copy is still the first box"
wait_for 100 up_colour || fail "the first tile is not Up again after the delete"

# The status information of the first box: the fourth row from the end.
open_box_menu 250 190
xdotool key Up Up Up Up Return
wait_for 50 message_shown || fail "status information showed nothing"
"$grab" "$artifacts/xvfb-status-information.png" >/dev/null
xdotool windowactivate --sync "$(message_box)" key Return
wait_for 50 message_gone || fail "the status information did not close"

# The hide button at the top of the edge strip.
xdotool mousemove 203 153 click 1
wait_for 50 none_titled '^Korvalen\.$' || fail "the hide button did not hide the strip"
"$grab" "$artifacts/xvfb-hidden.png" >/dev/null

# A click on the icon in the tray brings the strip back: the icon is the
# program's small window embedded in the tray host.
find_icon() {
    icon=""
    for candidate in $(xdotool search --class korvalen); do
        eval "$(xdotool getwindowgeometry --shell "$candidate")"
        if [ "$WIDTH" -gt 8 ] && [ "$WIDTH" -lt 64 ] && [ "$HEIGHT" -gt 8 ] && [ "$HEIGHT" -lt 64 ]; then
            icon="$candidate"
            return 0
        fi
    done
    return 1
}
wait_for 50 find_icon || fail "no icon in the tray among: $(for w in $(xdotool search --class korvalen); do xdotool getwindowgeometry --shell "$w" | tr "\n" " "; done)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 50 find_window || fail "a click on the tray icon did not bring the strip back"
"$grab" "$artifacts/xvfb-back.png" >/dev/null

# The row/column button turns the strip into a column (92 by 2 * 81 + 8).
xdotool mousemove 203 164 click 1
column() { xdotool getwindowgeometry "$window" | grep -q "Geometry: 92x170"; }
wait_for 50 column || fail "the row/column button did not make a column: $(xdotool getwindowgeometry "$window")"

# Dragged by its edge strip to 17 pixels from the right edge, it sticks there.
xdotool mousemove 230 153 mousedown 1 mousemove 600 250 mousemove 945 300 mouseup 1
at_edge() { xdotool getwindowgeometry "$window" | grep -q "Position: 932,297"; }
wait_for 50 at_edge || fail "the drag did not end flush with the right edge: $(xdotool getwindowgeometry "$window")"
"$grab" "$artifacts/xvfb-column.png" >/dev/null

# Exit from the tray menu (its last row), then a new start finds the strip
# where it was left, as a column.
visible_windows() { xdotool search --onlyvisible --class korvalen | wc -l; }
before="$(visible_windows)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
menu_open() { [ "$(visible_windows)" -gt "$before" ]; }
wait_for 50 menu_open || fail "a right click on the tray icon opened no menu"
menu_takes_keys
xdotool key Up Return
wait_for 100 sh -c "! kill -0 $program_pid" || fail "Exit in the tray menu did not end the program"
start_program
wait_for 100 find_window || fail "no window appeared after the restart"
wait_for 50 at_edge || fail "after the restart the strip is not where it was: $(xdotool getwindowgeometry "$window")"
column || fail "after the restart the strip is not a column"
"$grab" "$artifacts/xvfb-restarted.png" >/dev/null

# Options from the tray menu (the row above Exit): the dialog opens with the
# tile width field first; it is widened to 150, start at login turned on
# (five fields back: Apply, Cancel, OK, Defaults, start at login), then Apply.
config="$work/appdata/Korvalen/MainConfA.ini"
entry="$work/config/autostart/Korvalen.desktop"
dialog=""
find_dialog() { dialog="$(titled '^选项$' | head -n 1)"; test -n "$dialog"; }
open_options() {
    wait_for 50 find_icon || fail "no tray icon to open Options from"
    before="$(visible_windows)"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    wait_for 50 menu_open || fail "a right click on the tray icon opened no menu"
    menu_takes_keys
    xdotool key Up Up Return
    wait_for 50 find_dialog || fail "Options in the tray menu opened no dialog"
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
    wait_for 20 focused "$dialog" || fail "the Options dialog did not take the focus"
}
open_options
[ ! -e "$entry" ] || fail "a start-at-login entry exists before it was turned on"
xdotool key ctrl+a type 150
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
"$grab" "$artifacts/xvfb-options.png" >/dev/null
xdotool key Tab Tab Tab Tab space
# Two columns of 150 + 1 and the edge strip: 152 wide, as tall as before.
wider() { xdotool getwindowgeometry "$window" | grep -q "Geometry: 152x170"; }
wait_for 50 wider || fail "Apply did not widen the strip to 152x170: $(xdotool getwindowgeometry "$window")"
wait_for 50 test -s "$entry" || fail "Apply did not create the start-at-login entry $entry"
grep -qx "Exec=\"$(readlink -f "$program")\"" "$entry" || fail "the start-at-login entry does not run the program: $(cat "$entry")"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "the start-at-login entry is not a valid desktop file"
fi
grep -q "^XBox=150" "$config" || fail "Apply did not store the tile width"
find_dialog || fail "Apply closed the Options dialog"
"$grab" "$artifacts/xvfb-applied.png" >/dev/null
xdotool key Escape
wait_for 50 none_titled '^选项$' || fail "Escape did not close the Options dialog"

# A change followed by Cancel writes nothing.
cp "$config" "$work/before-cancel.ini"
open_options
xdotool key ctrl+a type 200
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
xdotool key Escape
wait_for 50 none_titled '^选项$' || fail "Cancel did not close the Options dialog"
cmp -s "$config" "$work/before-cancel.ini" || fail "Cancel changed the configuration file: $(diff "$work/before-cancel.ini" "$config")"
test -s "$entry" || fail "Cancel removed the start-at-login entry"
wider || fail "Cancel changed the strip: $(xdotool getwindowgeometry "$window")"

# A strip wider than the screen (24 boxes, 2192 pixels) left off the screen's
# left edge: Reset position in the tray menu (its sixth row) brings its edge
# strip, the only handle to drag it by, back onto the screen.
wait_for 50 find_icon || fail "no tray icon after the restart"
before="$(visible_windows)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
wait_for 50 menu_open || fail "a right click on the tray icon opened no menu before the wide strip"
menu_takes_keys
xdotool key Up Return
wait_for 100 sh -c "! kill -0 $program_pid" || fail "Exit in the tray menu did not end the program"
{
    printf '[main]\nFirstStart=0\nNumBox=24\nPosX=-456\nPosY=300\nWinPos=1\nWinBeh=1\n'
    for i in $(seq 0 23); do printf '[Box %d]\nText=Box %d\nIPAdress=127.0.0.1\nDisabled=1\n' "$i" "$i"; done
} >"$work/appdata/Korvalen/MainConfA.ini"
start_program
wait_for 100 find_window || fail "no window appeared for the wide strip"
wait_for 50 sh -c "xdotool getwindowgeometry $window | grep -q 'Geometry: 2192x82'" ||
    fail "the wide strip is not 2192 by 82: $(xdotool getwindowgeometry "$window")"
wait_for 50 find_icon || fail "no tray icon for the wide strip"
before="$(visible_windows)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
wait_for 50 menu_open || fail "a right click on the tray icon opened no menu for the wide strip"
menu_takes_keys
xdotool key Down Down Down Down Down Down Return
on_screen() { xdotool getwindowgeometry "$window" | grep -q "Position: 0,"; }
wait_for 50 on_screen || fail "Reset position left the wide strip at $(xdotool getwindowgeometry "$window")"
"$grab" "$artifacts/xvfb-wide-reset.png" >/dev/null
grep -qx 'PosX=0' "$work/appdata/Korvalen/MainConfA.ini" || fail "Reset position did not store PosX=0"

# Adding and editing a box, as a new user would, in one run of the program:
# Add and Edit from the box menu (the sixth and seventh rows from the top),
# everything in the dialog typed and clicked.
stop_program "the box properties check"
command -v python3 >/dev/null || fail "python3 is needed for a loopback listener"
python3 -c '
import socket, sys
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(64)
open(sys.argv[1], "w").write(str(s.getsockname()[1]))
while True:
    s.accept()[0].close()
' "$work/open_port" &
pids+=($!)
wait_for 50 test -s "$work/open_port" || fail "the loopback listener did not start"
open_port="$(cat "$work/open_port")"
closed_port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir -p "$work/appdata2/Korvalen"
cat >"$work/appdata2/Korvalen/MainConfA.ini" <<'INI'
[main]
FirstStart=0
NumBox=1
PosX=200
PosY=150
WinBeh=1
[Box 0]
Text=Loopback
IPAdress=127.0.0.1
CheckInterval=1
INI
start_on "$work/appdata2" "the box properties check"
dialog=""
find_dialog() { dialog="$(titled "^$1\$" | head -n 1)"; test -n "$dialog"; }

# Add after the first tile: name, TCP (two rows down from Ping), the port
# that listens, the target; Enter is OK.
open_box_menu 250 200
xdotool key Down Down Down Down Down Down Return
wait_for 50 find_dialog "添加检查" || fail "Add in the box menu opened no Add dialog"
xdotool type --delay 20 "Web"
xdotool key Tab Tab Tab Tab Tab Down Down Tab ctrl+a
xdotool type --delay 20 "$open_port"
xdotool key Tab Tab Tab
xdotool type --delay 20 "127.0.0.1"
"$grab" "$artifacts/xvfb-add-filled.png" >/dev/null
xdotool key Return
wait_for 50 none_titled '^添加检查$' || fail "OK did not close the Add dialog"
# The new tile is the second one, 91 pixels to the right of the first.
second_tile() { test "$("$grab" "$work/probe.png" 301 215)" = "$1"; }
wait_for 100 second_tile "197 209 254" || fail "the new TCP box did not turn Open: $("$grab" "$work/probe.png" 301 215)"
"$grab" "$artifacts/xvfb-added-open.png" >/dev/null

# Edit it: the port that is closed, Apply (the last control in the tab
# order, after OK and Cancel), and its tile turns Close while the dialog,
# dragged aside, stays open; then Escape closes the dialog.
open_box_menu 301 200
xdotool key Down Down Down Down Down Down Down Return
wait_for 50 find_dialog "编辑检查" || fail "Edit in the box menu opened no Edit dialog"
xdotool windowmove --sync "$dialog" 396 20
xdotool key Tab Tab Tab Tab Tab Tab ctrl+a
xdotool type --delay 20 "$closed_port"
for _ in $(seq 27); do xdotool key Tab; done
xdotool key space
wait_for 100 second_tile "121 121 121" || fail "after Apply the edited box did not turn Close"
any_titled '^编辑检查$' || fail "Apply closed the Edit dialog"
"$grab" "$artifacts/xvfb-edited-close.png" >/dev/null
xdotool key Escape
wait_for 50 none_titled '^编辑检查$' || fail "Escape did not close the Edit dialog"
second_tile "121 121 121" || fail "closing the dialog after Apply undid the edit"
kill -0 "$program_pid" || fail "the program ended during the box properties check"
grep -q "^Port=$closed_port" "$work/appdata2/Korvalen/MainConfA.ini" || fail "the edited port was not saved"

# A look of one's own, as a new user would make it: in Add, the Up picture
# chosen from an icon file, its greyscale copy as the Down picture, the look
# saved as the skin "Default"; the next box added wears it. The look's
# controls come before the name field in the tab order.
python3 -c '
import struct, sys
w = h = 32
pixels = bytes([0, 0, 255, 255]) * (w * h)          # opaque red, BGRA
mask = bytes(4 * h)
image = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0) + pixels + mask
sys.stdout.buffer.write(struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(image), 22) + image)
' >"$work/red.ico"
open_box_menu 250 200
xdotool key Down Down Down Down Down Down Return
wait_for 50 find_dialog "添加检查" || fail "Add in the box menu opened no Add dialog for the look"
add_dialog="$dialog"
xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
picker=""
find_picker() { picker="$(titled '^(Open|打开)$' | head -n 1)"; test -n "$picker"; }
wait_for 50 find_picker || fail "the Up picture button opened no file picker"
xdotool type --delay 20 "$work/red.ico"
xdotool key Return
wait_for 50 none_titled '^(Open|打开)$' || fail "the file picker did not close"
wait_for 50 test -s "$work/appdata2/Korvalen/Pictures/red.ico" || fail "the chosen picture was not copied into Pictures"
xdotool key Tab Tab space
wait_for 50 test -s "$work/appdata2/Korvalen/Pictures/red_GSC.ico" || fail "no greyscale copy was written"
"$grab" "$artifacts/xvfb-look-chosen.png" >/dev/null
xdotool key shift+Tab shift+Tab shift+Tab space
wait_for 50 find_dialog "添加皮肤" || fail "Add skin asked for no name"
xdotool type --delay 20 "Default"
xdotool key Return
wait_for 50 test -s "$work/appdata2/Korvalen/Skins/Default.ini" || fail "the skin Default was not saved"
grep -q "^OffLinePicFile=red_GSC.ico" "$work/appdata2/Korvalen/Skins/Default.ini" || fail "the skin lacks the greyscale copy"
xdotool windowactivate --sync "$add_dialog" key Escape
wait_for 50 none_titled '^添加检查$' || fail "Escape did not close the Add dialog"

# A new Ping box on loopback after the first tile: its picture area shows red once it is Up.
open_box_menu 250 200
xdotool key Down Down Down Down Down Down Return
wait_for 50 find_dialog "添加检查" || fail "Add in the box menu opened no Add dialog for the skinned box"
xdotool type --delay 20 "Skinned"
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab
xdotool type --delay 20 "127.0.0.1"
xdotool key Return
wait_for 50 none_titled '^添加检查$' || fail "OK did not close the Add dialog"
picture_red() { test "$("$grab" "$work/probe.png" 344 204)" = "255 0 0"; }
wait_for 100 picture_red || fail "the new box does not wear the skin's picture: $("$grab" "$work/probe.png" 344 204)"
"$grab" "$artifacts/xvfb-skinned-box.png" >/dev/null

# A custom application, as a new user would add it: customize at the end of
# the box menu's Custom popup, Add, a program that writes its arguments to a
# file with "%name %ip" as parameters, OK twice; then it runs from the same
# popup, and the file holds the box's name and address.
cat >"$work/args.sh" <<'SH'
#!/bin/sh
printf '%s\n' "$@" >"$(dirname "$0")/args.txt"
SH
chmod +x "$work/args.sh"
open_box_menu 250 200
xdotool key Down Down Right Up Return
wait_for 50 find_dialog "自定义应用程序" || fail "customize in the box menu opened no custom applications dialog"
xdotool key Tab space
wait_for 50 find_dialog "添加/编辑应用程序" || fail "Add opened no dialog for the application"
xdotool type --delay 20 "Arguments"
xdotool key Tab
xdotool type --delay 20 "$work/args.sh"
xdotool key Tab Tab
xdotool type --delay 20 "%name %ip"
"$grab" "$artifacts/xvfb-custom-app.png" >/dev/null
xdotool key Return
wait_for 50 none_titled '^添加/编辑应用程序$' || fail "OK did not close the application dialog"
xdotool key Return
wait_for 50 none_titled '^自定义应用程序$' || fail "OK did not close the custom applications dialog"
grep -qx 'nrows=1' "$work/appdata2/Korvalen/Main.ini" || fail "Main.ini holds no custom row"
open_box_menu 250 200
xdotool key Down Down Right Return
wait_for 50 test -s "$work/args.txt" || fail "the custom application did not run from the box menu"
[ "$(cat "$work/args.txt")" = "$(printf 'Loopback\n127.0.0.1')" ] || fail "the custom application got: $(cat "$work/args.txt")"

# A box's notifications, set as a new user would in the Edit dialog and the
# sound and program settings it opens: the URL box speaks on Down and runs a
# program on Down after four reports. Then its web server is stopped: the
# program runs once, after the fourth Down.
stop_program "the notification check"
mkdir -p "$work/site" "$work/appdata3/Korvalen"
echo "<html>up</html>" >"$work/site/index.html"
python3 -c '
import http.server, os, sys
os.chdir(sys.argv[2])
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Quiet)
open(sys.argv[1], "w").write(str(server.server_address[1]))
server.serve_forever()
' "$work/web_port" "$work/site" &
web_pid=$!
pids+=("$web_pid")
wait_for 50 test -s "$work/web_port" || fail "the web server did not start"
cat >"$work/notify.sh" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$work/ran"
SCRIPT
chmod +x "$work/notify.sh"
cat >"$work/appdata3/Korvalen/MainConfA.ini" <<INI
[main]
FirstStart=0
NumBox=1
PosX=200
PosY=150
WinBeh=1
[Box 0]
Text=Site
IPAdress=http://127.0.0.1:$(cat "$work/web_port")/
VerifyMetod=3
Phrase=html
CheckInterval=1
INI
start_on "$work/appdata3" "the notification check"
first_tile() { test "$("$grab" "$work/probe.png" 210 215)" = "$1"; }
wait_for 100 first_tile "197 209 254" || fail "the URL box did not turn Up: $("$grab" "$work/probe.png" 210 215)"

# Edit from the box menu: from the name, ten tabs to the sound settings
# (colours, the URL radio, phrase, interval, IPv4, target). There the Down
# row's speech box is the fourth control; its text follows it; Enter is OK.
open_box_menu 250 200
xdotool key Down Down Down Down Down Down Down Return
wait_for 50 find_dialog "编辑检查" || fail "Edit in the box menu opened no Edit dialog for the URL box"
for _ in $(seq 10); do xdotool key Tab; done
xdotool key space
wait_for 50 find_dialog "播放声音通知设置" || fail "the sound settings button opened no sound settings"
xdotool key Tab Tab Tab space Tab
xdotool type --delay 20 "%name is Down"
"$grab" "$artifacts/xvfb-sound-settings.png" >/dev/null
xdotool key Return
wait_for 50 none_titled '^播放声音通知设置$' || fail "OK did not close the sound settings"
# Back on the sound settings button: sound on Down, then twelve tabs on to
# "run a program" and one to its settings.
xdotool key Tab Tab space
for _ in $(seq 12); do xdotool key Tab; done
xdotool key space Tab space
wait_for 50 find_dialog "文件通知设置" || fail "the program settings button opened no program settings"
xdotool type --delay 20 "$work/notify.sh"
xdotool key Tab Tab
xdotool type --delay 20 "%name %status"
# Down, then the count (past IP ERROR and the network error): four reports.
xdotool key Tab Tab space Tab Tab Tab ctrl+a
xdotool type --delay 20 "4"
"$grab" "$artifacts/xvfb-program-settings.png" >/dev/null
xdotool key Return
wait_for 50 none_titled '^文件通知设置$' || fail "OK did not close the program settings"
# Past the log box and Defaults to OK.
xdotool key Tab Tab Tab space
wait_for 50 none_titled '^编辑检查$' || fail "OK did not close the Edit dialog"
config="$work/appdata3/Korvalen/MainConfA.ini"
for key in "Sound=2" "SpeechTextCheck=2" "DownTextString=%name is Down" "ExecFileCheck=1" "ExecFileStatusCheck=2" \
    "nEF=4" "ExecFilePath=$work/notify.sh"; do
    grep -qx "$key" "$config" || fail "the notification settings were not saved: no $key in $(tr '\n' ' ' <"$config")"
done
wait_for 100 first_tile "197 209 254" || fail "the edited URL box did not come back Up"
kill "$web_pid"
# The first Down report turns the tile from Up; the program is to run only
# at the fourth.
up_no_more() { ! first_tile "197 209 254"; }
wait_for 100 up_no_more || fail "the URL box did not leave Up once its web server stopped"
test ! -e "$work/ran" || fail "the program ran before the fourth Down report: $(cat "$work/ran")"
wait_for 150 test -s "$work/ran" || fail "the program did not run after four Down reports"
ran_once() { [ "$(cat "$work/ran")" = "Site Down" ]; }
holds 40 ran_once || fail "the program ran more than once or with other arguments: $(cat "$work/ran")"
"$grab" "$artifacts/xvfb-notified.png" >/dev/null

# Always on top, as a new user sets it: the tray menu's third row. Then Edit
# the box, empty its name and press OK: the refusal "名称丢失。" must stand
# above the dialog (which stays on top with the strip) in the window
# manager's stacking order, and Enter must close it.
wait_for 50 find_icon || fail "no tray icon for the z-order check"
before="$(visible_windows)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
wait_for 50 menu_open || fail "a right click on the tray icon opened no menu for always on top"
menu_takes_keys
xdotool key Down Down Down Return
wait_for 50 stored_is main WinBeh 0 || fail "Always on top in the tray menu did not store WinBeh=0"
# The windows from the bottom of the stacking order to its top, in decimal.
stacking() { for w in $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,/ /g'); do echo $((w)); done; }
stack_place() { stacking | grep -nx "$1" | cut -d: -f1; }
# A new z-order mode gives the strip a new window.
on_top() { find_window && xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
wait_for 50 on_top || fail "always on top did not keep the strip above: $(xprop -id "$window" _NET_WM_STATE)"
open_box_menu 250 200
xdotool key Down Down Down Down Down Down Down Return
wait_for 50 find_dialog "编辑检查" || fail "Edit in the box menu opened no Edit dialog in always-on-top mode"
edit_dialog="$dialog"
xdotool windowactivate --sync "$edit_dialog" >/dev/null 2>&1 || true
xdotool key ctrl+a BackSpace Return
wait_for 50 message_shown || fail "OK with an empty name showed no message"
refusal="$(message_box)"
message_above() { [ "$(stack_place "$refusal")" -gt "$(stack_place "$edit_dialog")" ]; }
wait_for 20 message_above ||
    fail "the message opened under the Edit dialog: stacking $(stacking | tr '\n' ' '), message $refusal, dialog $edit_dialog"
"$grab" "$artifacts/xvfb-on-top-refusal.png" >/dev/null
xdotool windowactivate --sync "$refusal" key Return
wait_for 50 message_gone || fail "Enter did not close the message over the Edit dialog"
any_titled '^编辑检查$' || fail "the refused OK closed the Edit dialog"
xdotool windowactivate --sync "$edit_dialog" key Escape
wait_for 50 none_titled '^编辑检查$' || fail "Escape did not close the Edit dialog on top"
stored_is 'Box 0' Text Site || fail "the refused edit changed the stored name"

# Stored values the user does not touch stay as they were: Edit from the box
# menu, then OK at once, on a box stored with an interval, a repeat count and
# a port wider than their fields (the port held to 65535, as OK holds it). The
# save writes the keys the file lacks, "Disabled" last.
stop_program "the stored values check"
mkdir -p "$work/appdata4/Korvalen"
cat >"$work/appdata4/Korvalen/MainConfA.ini" <<'INI'
[main]
FirstStart=0
NumBox=1
PosX=200
PosY=150
WinBeh=1
[Box 0]
Text=Loopback
IPAdress=127.0.0.1
CheckInterval=3600
nPS=12345
Port=123456
INI
start_on "$work/appdata4" "the stored values check"
open_box_menu 250 200
xdotool key Down Down Down Down Down Down Down Return
wait_for 50 find_dialog "编辑检查" || fail "Edit in the box menu opened no Edit dialog for the stored values check"
"$grab" "$artifacts/xvfb-edit-stored-values.png" >/dev/null
xdotool key Return
wait_for 50 none_titled '^编辑检查$' || fail "OK did not close the Edit dialog of the stored values check"
config="$work/appdata4/Korvalen/MainConfA.ini"
wait_for 50 grep -q "^Disabled=" "$config" || fail "OK did not save the box: $(tr '\n' ' ' <"$config")"
for key in "CheckInterval=3600" "nPS=12345" "Port=65535"; do
    grep -qx "$key" "$config" || fail "Edit then OK changed a stored value: no $key in $(tr '\n' ' ' <"$config")"
done

# With the desktop's opener failing (a stand-in xdg-open that answers 3: no
# program for the place), the tray menu's Log row (the sixth from the end)
# says so in a message box instead of doing nothing.
stop_program "the opener check"
mkdir -p "$work/stubs" "$work/appdata5/Korvalen"
cat >"$work/stubs/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$1" >"$work/opened"
exit 3
SCRIPT
chmod +x "$work/stubs/xdg-open"
printf '[main]\nFirstStart=0\nNumBox=1\nPosX=200\nPosY=150\nWinBeh=1\n[Box 0]\nText=Loopback\nIPAdress=127.0.0.1\nDisabled=1\n' \
    >"$work/appdata5/Korvalen/MainConfA.ini"
start_on "$work/appdata5" "the opener check" PATH="$work/stubs:$PATH"
wait_for 50 find_icon || fail "no tray icon for the opener check"
before="$(visible_windows)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
wait_for 50 menu_open || fail "a right click on the tray icon opened no menu for the opener check"
menu_takes_keys
xdotool key Up Up Up Up Up Up Return
wait_for 50 test -s "$work/opened" || fail "the Log row did not hand anything to xdg-open"
grep -q "$work/appdata5/Korvalen/Logs/\$" "$work/opened" || fail "the Log row handed xdg-open $(cat "$work/opened")"
wait_for 50 message_shown || fail "with xdg-open failing, the Log row said nothing"
"$grab" "$artifacts/xvfb-log-not-opened.png" >/dev/null
xdotool windowactivate --sync "$(message_box)" key Return
wait_for 50 message_gone || fail "the message that the log folder could not be opened did not close"
echo "Xvfb check: with xdg-open failing, the tray menu's Log row said so in a message box."

# As an ordinary user runs it on Debian, where no group may open ping sockets
# (ping_group_range "1 0"), with the raw-socket capability given to the
# program file by hand: the program drops the capability as it starts and
# says once how to allow ping; once every group may, as run.sh allows it, its
# ping box turns Up. It runs as nobody in a network namespace of its own,
# whatever the machine allows.
ordinary_user_result="skipped: only root can start the program as another user"
if [ "$(id -u)" -eq 0 ]; then
    stop_program "the ordinary user check"
    user="$work/user"
    mkdir -p "$user/appdata/Korvalen" "$user/run"
    printf '[main]\nFirstStart=0\nNumBox=1\nPosX=200\nPosY=150\nWinBeh=1\n[Box 0]\nText=Loopback\nIPAdress=127.0.0.1\nCheckInterval=1\n' \
        >"$user/appdata/Korvalen/MainConfA.ini"
    cp "$program" "$user/korvalen"
    chown -R 65534:65534 "$user"
    chmod 711 "$work"
    chmod 700 "$user/run"
    start_as_user() { # what for, the groups that may open ping sockets
        unshare --net sh -c "ip link set lo up && echo '$2' >/proc/sys/net/ipv4/ping_group_range && exec \"\$@\"" sh \
            setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$user" APPDATA="$user/appdata" \
            XDG_RUNTIME_DIR="$user/run" QT_QPA_PLATFORM=xcb "$user/korvalen" >>"$work/program.log" 2>&1 &
        program_pid=$!
        pids+=("$program_pid")
        wait_for 100 find_window || fail "no window appeared for $1"
    }
    # Every capability set of the running program is empty.
    holds_none() { ! grep -Eq '^Cap(Inh|Prm|Eff|Amb):\s*0*[1-9a-f]' "/proc/$program_pid/status"; }
    capability="no capability (setcap cannot set one on this file system)"
    if setcap cap_net_raw=ep "$user/korvalen" 2>/dev/null; then
        capability="the capability on its file dropped"
    fi
    start_as_user "the ordinary user check" "1 0"
    holds_none || fail "run as an ordinary user, the program holds a capability: $(grep ^Cap "/proc/$program_pid/status")"
    wait_for 100 message_shown || fail "run as a user who may not ping, the program said nothing"
    "$grab" "$artifacts/xvfb-ping-not-allowed.png" >/dev/null
    xdotool windowactivate --sync "$(message_box)" key Return
    wait_for 50 message_gone || fail "the message about ping not being allowed did not close"
    holds 20 message_gone || fail "the message about ping not being allowed came again"
    not_up || fail "run as a user who may not ping, the ping box showed Up"
    stop_program "the ordinary user check"
    start_as_user "the ordinary user check with ping sockets allowed" "0 2147483647"
    wait_for 100 up_colour || fail "with ping sockets allowed, the user's ping box did not turn Up"
    message_gone || fail "with ping sockets allowed, the program still said it may not ping"
    holds_none || fail "with ping sockets allowed, the program holds a capability"
    stop_program "the ordinary user check with ping sockets allowed"
    ordinary_user_result="with $capability, the program said once how to allow ping, and with ping sockets allowed its box turned Up"
    start_program
    wait_for 100 find_window || fail "no window appeared after the ordinary user check"
fi
echo "Xvfb check as an ordinary user who may not ping: $ordinary_user_result."

# On a full disk, as a new user meets it: the data folder and the autostart
# folder lie on a 64 KiB tmpfs of the check's own, mounted in a mount
# namespace of its own (nothing stays mounted); the program starts there
# afresh, two boxes are duplicated from the box menu, then the tmpfs is
# filled. Start at login turned on with Apply gives a whole entry, or a
# message and no file; Backup onto the full disk and Restore of a good backup
# from elsewhere each say they failed and leave no file behind; the strip
# keeps its three boxes, and after Exit the configuration is byte for byte
# what it was.
stop_program "the full disk check"
full="$work/full"
mkdir -p "$full"
if [ "$(id -u)" -eq 0 ]; then
    isolate=(unshare --mount --propagation private)
    enter=(nsenter --mount)
else
    isolate=(unshare --user --map-root-user --mount --propagation private)
    enter=(nsenter --user --mount --preserve-credentials)
fi
# A process that holds the namespace for the whole check, the program's
# Exit included; the check reaches the tmpfs through its root.
"${isolate[@]}" sh -c 'mount -t tmpfs -o size=64k korvalen-full "$1" && exec sleep 3600' sh "$full" \
    >"$work/mount.log" 2>&1 &
holder=$!
pids+=("$holder")
mounted() { grep -qs " $full tmpfs " "/proc/$holder/mounts"; }
mounted_or_refused() { mounted || ! kill -0 "$holder"; }
wait_for 50 mounted_or_refused || true
if ! mounted; then
    full_disk_result="SKIPPED: no tmpfs could be mounted in a mount namespace of its own ($(tr '\n' ' ' <"$work/mount.log"))"
else
    inside="/proc/$holder/root$full"
    config="$inside/appdata/Korvalen/MainConfA.ini"
    entry="$inside/config/autostart/Korvalen.desktop"
    APPDATA="$full/appdata" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$full/config" QT_QPA_PLATFORM=xcb \
        "${enter[@]}" --target "$holder" -- "$(readlink -f "$program")" >>"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
    wait_for 100 find_window || fail "no window appeared on the full disk check's tmpfs"
    wait_for 50 test -s "$config" || fail "the program wrote no configuration on the tmpfs"
    # Two copies of the first box, from Move and duplicate in the box menu
    # (its row above the last, as rows greyed for a single box are skipped).
    eval "$(xdotool getwindowgeometry --shell "$window")"
    tile_x=$((X + 50))
    tile_y=$((Y + 40))
    for boxes in 2 3; do
        open_box_menu "$tile_x" "$tile_y"
        xdotool key Down Down Down Right Up Up Return
        wait_for 50 grep -qx "NumBox=$boxes" "$config" || fail "duplicate did not store NumBox=$boxes on the tmpfs"
    done
    strip_width() { xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'; }
    three_tiles() { [ "$(strip_width)" = 281 ]; }
    wait_for 50 three_tiles || fail "the strip does not show three boxes: $(xdotool getwindowgeometry "$window")"
    # Filled to the last page; the configuration as it is now is kept aside.
    dd if=/dev/zero of="$inside/filler" bs=4096 >/dev/null 2>&1 || true
    [ "$(stat -f -c %a "$inside")" = 0 ] || fail "the tmpfs is not full: $(stat -f -c '%a of %b blocks free' "$inside")"
    cp "$config" "$work/full-before.ini"
    files_on_tmpfs() { (cd "$inside" && find . -type f | sort); }
    files_on_tmpfs >"$work/full-files-before"
    no_new_files() { files_on_tmpfs | cmp -s - "$work/full-files-before"; }
    # A row of the tray menu, counted from its end (Exit is 1).
    tray_row() {
        wait_for 50 find_icon || fail "no tray icon in the full disk check"
        before="$(visible_windows)"
        xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
        wait_for 50 menu_open || fail "a right click on the tray icon opened no menu in the full disk check"
        menu_takes_keys
        for _ in $(seq "$1"); do xdotool key Up; done
        xdotool key Return
    }
    # Closes the messages shown one after the other (a dialog that saves
    # several files says so for each); the number closed is in $closed.
    close_messages() {
        closed=0
        while wait_for 10 message_shown; do
            [ "$closed" -lt 4 ] || fail "more than four messages in a row on the full disk"
            "$grab" "$artifacts/xvfb-full-disk-$1-$closed.png" >/dev/null
            message="$(message_box)"
            xdotool windowactivate --sync "$message" key Return
            closed=$((closed + 1))
            wait_for 50 hidden_window "$message" || fail "a message on the full disk did not close"
        done
    }
    picker=""
    find_file_picker() { picker="$(titled "^($1)\$" | head -n 1)"; test -n "$picker"; }

    # Options (the second row from the end): start at login on (five fields
    # back from the tile width), then Apply (four fields on).
    tray_row 2
    wait_for 50 find_dialog "选项" || fail "Options opened no dialog on the full disk"
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
    wait_for 20 focused "$dialog" || fail "the Options dialog did not take the focus"
    xdotool key shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space Tab Tab Tab Tab space
    entry_or_message() { test -s "$entry" || message_shown; }
    wait_for 50 entry_or_message || fail "Apply on a full disk neither wrote the start-at-login entry nor said anything"
    if message_shown; then
        close_messages login
        [ ! -e "$entry" ] || fail "Apply said it failed but left a start-at-login entry of $(stat -c %s "$entry") bytes"
        login_result="a message and no file"
    else
        desktop-file-validate "$entry" || fail "the start-at-login entry on a full disk is not a whole desktop file"
        login_result="a whole entry"
    fi
    xdotool windowactivate --sync "$dialog" key Escape
    wait_for 50 none_titled '^选项$' || fail "Escape did not close Options on the full disk"
    [ -z "$(ls -A "$inside/config/autostart" 2>/dev/null | grep -vx Korvalen.desktop)" ] ||
        fail "Apply left files in the autostart folder: $(ls -A "$inside/config/autostart")"

    # Backup (the fifth row from the end) to a file on the full tmpfs.
    tray_row 5
    wait_for 50 find_file_picker "Save As|另存为" || fail "Backup opened no file picker"
    xdotool type --delay 20 "$full/backup.ini"
    xdotool key Return
    wait_for 50 message_shown || fail "Backup onto a full disk said nothing"
    close_messages backup
    [ ! -e "$inside/backup.ini" ] || fail "Backup onto a full disk left a file of $(stat -c %s "$inside/backup.ini") bytes"
    no_new_files || fail "Backup onto a full disk left files: $(files_on_tmpfs | tr '\n' ' ')"

    # Restore (the fourth row from the end) from a good backup outside the
    # tmpfs, with one box of another name.
    printf '[main]\nApp=Korvalen\nFirstStart=0\nNumBox=1\n[Box 0]\nText=Restored\nIPAdress=127.0.0.9\nDisabled=1\n' \
        >"$work/good-backup.ini"
    tray_row 4
    wait_for 50 find_file_picker "Open|打开" || fail "Restore opened no file picker"
    xdotool type --delay 20 "$work/good-backup.ini"
    xdotool key Return
    wait_for 50 message_shown || fail "Restore onto a full disk said nothing"
    close_messages restore
    three_tiles || fail "after a failed Restore the strip shows $(xdotool getwindowgeometry "$window")"
    cmp -s "$config" "$work/full-before.ini" || fail "a failed Restore changed the configuration: $(diff "$work/full-before.ini" "$config")"
    no_new_files || fail "Restore onto a full disk left files: $(files_on_tmpfs | tr '\n' ' ')"

    # Exit: the file is as it was, with its three boxes.
    tray_row 1
    close_messages exit
    wait_for 100 sh -c "! kill -0 $program_pid" || fail "Exit did not end the program on the full disk"
    cmp -s "$config" "$work/full-before.ini" || fail "after Exit the configuration differs: $(diff "$work/full-before.ini" "$config")"
    grep -qx "NumBox=3" "$config" || fail "after Exit the configuration does not hold three boxes"
    for box in 0 1 2; do
        grep -qx "\[Box $box\]" "$config" || fail "after Exit the configuration lacks box $box"
    done
    full_disk_result="start at login with Apply gave $login_result; Backup and Restore said they failed, no file was left,"
    full_disk_result+=" and after Exit the configuration held its three boxes byte for byte"
fi
echo "Xvfb check on a full 64 KiB tmpfs: $full_disk_result."

# Messages no window owns, under a strip kept on top, as a new user meets
# them: instance A always on top over the middle of the screen, a /tertiary
# instance beside it, then the tray host ends. The hide button of the
# tertiary strip minimises it and says so: its message stands above A's strip
# and takes the keyboard. A's hide button does the same; once the tray host
# is back, a click on A's icon brings the strip back under its message,
# which Enter closes. Then A's Edit dialog asks for no minimise or maximise
# button, and once the window manager has minimised it anyway, a right click
# on the strip brings it back.
if kill -0 "$program_pid" 2>/dev/null; then stop_program "the unowned message check"; fi
mkdir -p "$work/appdata6/Korvalen"
printf '[main]\nFirstStart=0\nNumBox=1\nPosX=620\nPosY=330\nWinBeh=0\n[Box 0]\nText=Loopback\nIPAdress=127.0.0.1\nDisabled=1\n' \
    >"$work/appdata6/Korvalen/MainConfA.ini"
printf '[main]\nFirstStart=0\nNumBox=1\nPosX=100\nPosY=100\nWinBeh=1\n[Box 0]\nText=Third\nIPAdress=127.0.0.1\nDisabled=1\n' \
    >"$work/appdata6/Korvalen/MainConfC.ini"
start_on "$work/appdata6" "the unowned message check"
strip_a="$window"
APPDATA="$work/appdata6" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb "$program" /tertiary >>"$work/program.log" 2>&1 &
tertiary_pid=$!
pids+=("$tertiary_pid")
wait_for 100 xdotool search --onlyvisible --name '^Korvalen\. Ter$' || fail "the /tertiary instance showed no strip"
active_is() { [ "$(($(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //; s/,.*//')))" = "$1" ]; }
# The message stands above A's strip and has the keyboard.
message_on_top() {
    local shown
    shown="$(message_box)"
    [ -n "$shown" ] && [ "$(stack_place "$shown")" -gt "$(stack_place "$strip_a")" ] && active_is "$shown"
}
for pid in "${pids[@]}"; do
    if [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = trayer ]; then kill "$pid"; fi
done
wait_for 50 sh -c '! xdotool search --class trayer' || fail "the tray host did not end"
xdotool mousemove 103 103 click 1
wait_for 50 message_on_top ||
    fail "the /tertiary strip's message is not above A's strip with the keyboard: stacking $(stacking | tr '\n' ' '), message $(message_box), strip $strip_a, $(xprop -root _NET_ACTIVE_WINDOW)"
"$grab" "$artifacts/xvfb-tertiary-message-on-top.png" >/dev/null
xdotool key Return
wait_for 50 message_gone || fail "Enter did not close the /tertiary strip's message"
kill "$tertiary_pid"
xdotool mousemove 623 333 click 1
wait_for 50 message_shown || fail "A's hide button without a tray host said nothing"
trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 28 \
    --transparent false --tint 0xd0d0d0 >/dev/null 2>&1 &
pids+=($!)
wait_for 100 find_icon || fail "no tray icon once the tray host was back"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 50 find_window || fail "a click on the tray icon did not bring A's strip back"
wait_for 50 message_on_top ||
    fail "A's strip came back above its message: stacking $(stacking | tr '\n' ' '), message $(message_box), strip $strip_a, $(xprop -root _NET_ACTIVE_WINDOW)"
"$grab" "$artifacts/xvfb-message-above-strip.png" >/dev/null
xdotool key Return
wait_for 50 message_gone || fail "Enter did not close the message over A's strip"
open_box_menu 660 370
xdotool key Down Down Down Down Down Down Down Return
wait_for 50 find_dialog "编辑检查" || fail "Edit in the box menu opened no Edit dialog for the minimise check"
# _MOTIF_WM_HINTS: flags, functions (minimise 0x8, maximise 0x10), decorations (0x20, 0x40).
read -r _ functions decorations _ < <(xprop -id "$dialog" _MOTIF_WM_HINTS | sed 's/.*= //; s/,/ /g')
[ $((functions & 0x18)) = 0 ] && [ $((decorations & 0x60)) = 0 ] ||
    fail "the Edit dialog asks for minimise or maximise: $(xprop -id "$dialog" _MOTIF_WM_HINTS)"
allowed="$(xprop -id "$dialog" _NET_WM_ALLOWED_ACTIONS | sed 's/.*= //; s/_NET_WM_ACTION_//g')"
xdotool windowminimize --sync "$dialog"
xdotool mousemove 660 370 click 3
dialog_back() { xdotool search --onlyvisible --name '^编辑检查$' | grep -qx "$dialog" && active_is "$dialog"; }
wait_for 50 dialog_back || fail "a right click on the strip did not bring the minimised Edit dialog back"
"$grab" "$artifacts/xvfb-edit-brought-back.png" >/dev/null
xdotool key Escape
wait_for 50 sh -c '! xdotool search --onlyvisible --name "^编辑检查\$"' || fail "Escape did not close the Edit dialog brought back"
echo "Xvfb check of unowned messages: the /tertiary strip's message and A's stood above A's strip kept on top"
echo "and took the keyboard, also after the tray icon brought A's strip back; the Edit dialog asks for no"
echo "minimise or maximise button (the window manager allows: $allowed), and once minimised a right click on"
echo "the strip brought it back."

# Every window the menus open, and one that each dialog with a picker or
# sub-dialog opens, stands above the strip in the window manager's stacking
# order, in each of the three z-orders. A row: the menu (the tray icon's or
# the first tile's), the keys that choose its row, the title of the window
# that opens; then, for a window opened from that one, its keys and title.
# Escape closes each (No, for the questions).
zorder_started=$(date +%s%N)
zorder_rows=(
    "tray;Down Return;关于 Korvalen\\."
    "tray;Up Up Return;选项"
    "tray;Up Up Up Up Up Return;(Save As|另存为)"
    "tray;Up Up Up Up Return;(Open|打开)"
    "tray;Up Up Up Return;Korvalen"
    "box;Down Right Down Return;发送网络消息;shift+Tab shift+Tab space;发送网络消息设置"
    "box;Down Down Right Up Return;自定义应用程序;Tab space;添加/编辑应用程序"
    "box;Up Up Up Return;添加检查;shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space;(Open|打开)"
    "box;Up Up Return;编辑检查"
    "box;Up Up Up Up Return;Korvalen"
    "box;Up Return;Korvalen"
)
zorder_names=("always on top" "normal" "always at the bottom")
# Window $1 stands above the strip.
above_strip() { [ "$(stack_place "$1")" -gt "$(stack_place "$window")" ]; }
# Waits for a window titled $1 (an extended regular expression) above the strip; its id is left in $dialog.
opens_above() {
    wait_for 50 find_dialog "$1" || fail "$2 opened no window titled $1 ($3)"
    wait_for 20 above_strip "$dialog" ||
        fail "$2 opened $1 under the strip ($3): stacking $(stacking | tr '\n' ' '), window $dialog, strip $window"
}
if kill -0 "$program_pid" 2>/dev/null; then stop_program "the z-order table"; fi
mkdir -p "$work/appdata7/Korvalen"
for mode in 0 1 2; do
    printf '[main]\nFirstStart=0\nNumBox=2\nPosX=400\nPosY=300\nWinBeh=%s\n' "$mode" >"$work/appdata7/Korvalen/MainConfA.ini"
    printf '[Box %s]\nText=Loopback\nIPAdress=127.0.0.1\nDisabled=1\n' 0 1 >>"$work/appdata7/Korvalen/MainConfA.ini"
    start_on "$work/appdata7" "the z-order table (${zorder_names[mode]})"
    for row in "${zorder_rows[@]}"; do
        IFS=';' read -r menu keys title inner_keys inner_title <<<"$row"
        what="the $menu menu's keys $keys"
        if [ "$menu" = tray ]; then
            # The menu stays shut while the program is busy, and a dialog is
            # unmapped a moment before its run ends; a program just started
            # may show its icon before the tray host has moved it in. So a
            # click that opens nothing is made again where the icon then is,
            # two seconds later, so that two presses never make a double click.
            opened=""
            for try in 1 2 3; do
                [ "$try" = 1 ] || echo "Xvfb check: the tray menu opened only at right click $try (${zorder_names[mode]}, row $keys)"
                wait_for 50 find_icon || fail "no tray icon for the z-order table"
                before="$(visible_windows)"
                xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
                if wait_for 20 menu_open; then opened=yes; break; fi
            done
            [ -n "$opened" ] || fail "a right click on the tray icon opened no menu for the z-order table (${zorder_names[mode]}, row $keys)"
            menu_takes_keys
        else
            open_box_menu 440 340
        fi
        xdotool key $keys
        opens_above "$title" "$what" "${zorder_names[mode]}"
        outer="$dialog"
        if [ -n "$inner_keys" ]; then
            xdotool windowactivate --sync "$outer" >/dev/null 2>&1 || true
            xdotool key $inner_keys
            opens_above "$inner_title" "$inner_keys in $title" "${zorder_names[mode]}"
            xdotool windowactivate --sync "$dialog" key Escape >/dev/null 2>&1 || true
            wait_for 50 hidden_window "$dialog" || fail "Escape did not close $inner_title"
        fi
        xdotool windowactivate --sync "$outer" key Escape >/dev/null 2>&1 || true
        wait_for 50 hidden_window "$outer" || fail "Escape did not close $title"
    done
    stop_program "the z-order table (${zorder_names[mode]})"
done
# A notification message stays above a strip kept on top while the strip
# changes size (Options: tile width 120, Apply), layout (its row/column
# button) and place (dragged by its edge strip); so does the Options dialog.
# The strip lies clear of the message, which opens in the screen's middle.
printf '[main]\nFirstStart=0\nNumBox=1\nPosX=100\nPosY=100\nWinBeh=0\n[Box 0]\nText=Loopback\nIPAdress=127.0.0.1\nCheckInterval=1\nMsgBox=1\n' \
    >"$work/appdata7/Korvalen/MainConfA.ini"
start_on "$work/appdata7" "the notification check"
wait_for 100 message_shown || fail "the box turning Up showed no notification message"
notification="$(message_box)"
# Waits until the notification stands above the strip after $1.
stays_above() {
    wait_for 20 above_strip "$notification" ||
        fail "after $1 the notification is under the strip: stacking $(stacking | tr '\n' ' '), message $notification, strip $window"
}
stays_above "it was shown"
strip_size() { xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p'; }
size_before="$(strip_size)"
wait_for 50 find_icon || fail "no tray icon for the notification check"
before="$(visible_windows)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
wait_for 50 menu_open || fail "a right click on the tray icon opened no menu for the notification check"
menu_takes_keys
xdotool key Up Up Return
opens_above '选项' "Options" "with a notification open"
options="$dialog"
xdotool windowactivate --sync "$options" >/dev/null 2>&1 || true
# Apply is the field before the tile width.
xdotool key ctrl+a type 120
xdotool key shift+Tab space
resized() { [ "$(strip_size)" != "$size_before" ]; }
wait_for 50 resized || fail "Apply with tile width 120 did not resize the strip from $size_before"
stays_above "Apply resized the strip"
wait_for 20 above_strip "$options" || fail "after Apply the Options dialog is under the strip: stacking $(stacking | tr '\n' ' ')"
"$grab" "$artifacts/xvfb-notification-after-apply.png" >/dev/null
xdotool windowactivate --sync "$options" key Escape >/dev/null 2>&1 || true
wait_for 50 hidden_window "$options" || fail "Escape did not close Options in the notification check"
size_before="$(strip_size)"
xdotool mousemove 103 116 click 1
wait_for 50 resized || fail "the row/column button did not turn the strip in the notification check"
stays_above "the row/column button turned the strip"
xdotool mousemove 130 103 mousedown 1 mousemove 200 300 mousemove 300 500 mouseup 1
moved() { ! xdotool getwindowgeometry "$window" | grep -q "Position: 100,100"; }
wait_for 50 moved || fail "the drag did not move the strip in the notification check"
stays_above "the strip was dragged"
xdotool windowactivate --sync "$notification" key Return
wait_for 50 message_gone || fail "Enter did not close the notification"
stop_program "the notification check"
zorder_ms=$((($(date +%s%N) - zorder_started) / 1000000))
echo "Xvfb check of the z-order table: the ${#zorder_rows[@]} windows the menus open, and the three those open, stood above"
echo "the strip in each of the three z-orders, and a notification stayed above a strip on top that was resized,"
echo "turned and dragged (${zorder_ms} ms)."

# While another process holds the data folder's lock, a drag and the Layout
# button are followed at once and the tile keeps its colour; the user is told
# once that the settings cannot be saved, and once the lock is free the file
# holds where the strip was left and its layout.
locked="$work/locked-appdata"
mkdir -p "$locked/Korvalen"
printf '[main]\nFirstStart=0\nNumBox=1\nPosX=100\nPosY=400\nWinPos=1\nWinBeh=1\n[Box 0]\nText=Loopback\nIPAdress=127.0.0.1\nCheckInterval=1\n' \
    >"$locked/Korvalen/MainConfA.ini"
if kill -0 "$program_pid" 2>/dev/null; then stop_program "the locked folder check"; fi
start_on "$locked" "the locked folder"
wait_for 50 sh -c "xdotool getwindowgeometry $window | grep -q 'Position: 100,400'" ||
    fail "the strip is not at 100,400: $(xdotool getwindowgeometry "$window")"
# -o: the lock is the holder's alone (not its sleep's), so it ends with it.
flock -o -x "$locked/Korvalen" sleep 60 &
holder=$!
pids+=("$holder")
wait_for 50 sh -c "! flock -n '$locked/Korvalen' true" || fail "the folder's lock could not be taken"
placed_at() { xdotool getwindowgeometry "$window" | grep -q "Position: $1"; }
started=$(date +%s%N)
xdotool mousemove 103 440 mousedown 1 mousemove 250 350 mousemove 403 300 mouseup 1
wait_for 10 placed_at 400,260 || fail "with the folder locked the drag was not followed within a second: $(xdotool getwindowgeometry "$window")"
drag_ms=$((($(date +%s%N) - started) / 1000000))
locked_up() { test "$("$grab" "$work/probe.png" 410 325)" = "197 209 254"; }
wait_for 50 locked_up || fail "with the folder locked the tile at (410, 325) did not show Up"
started=$(date +%s%N)
xdotool mousemove 403 275 click 1
turned() { xdotool getwindowgeometry "$window" | grep -q "Geometry: 92x89"; }
wait_for 10 turned || fail "with the folder locked the Layout button did not turn the strip within a second"
layout_ms=$((($(date +%s%N) - started) / 1000000))
"$grab" "$artifacts/xvfb-locked-folder.png" >/dev/null
wait_for 80 message_shown || fail "with the folder locked the failed save was not said"
"$grab" "$artifacts/xvfb-locked-folder-message.png" >/dev/null
xdotool windowactivate --sync "$(message_box)" key Return
wait_for 50 message_gone || fail "the message about the settings did not close"
sleep 6 # two more tries fail while the lock is held: they are not said again
! message_shown || fail "a second message came while the folder stayed locked"
sleeper="$(pgrep -P "$holder" || true)"
kill "$holder" $sleeper
wait_for 100 sh -c 'grep -qx PosX=400 "$0" && grep -qx PosY=260 "$0" && grep -qx WinPos=0 "$0"' \
    "$locked/Korvalen/MainConfA.ini" || fail "after the lock was freed the file holds: $(grep -E '^(PosX|PosY|WinPos)=' "$locked/Korvalen/MainConfA.ini" | tr '\n' ' ')"
stop_program "the locked folder"
echo "Xvfb check with the data folder locked: the drag was followed in ${drag_ms} ms and the layout turned in" \
    "${layout_ms} ms (each bound 1 s), one message said the settings could not be saved, and once the lock was" \
    "free the file held PosX=400, PosY=260, WinPos=0."

echo "Xvfb check passed: the strip showed Up at its place, hid and came back from the tray, turned into a column,"
echo "stuck to the screen edge when dragged, came back there after Exit and a new start; from the box menu a tile"
echo "was duplicated, the copy moved left, disabled and deleted with Yes, and the status information shown;"
echo "Options widened the tiles and turned start at login on with Apply, and a Cancel after a change left the file"
echo "as it was; a strip wider than the screen came back with its handle on the screen after Reset position; a TCP"
echo "box added from the box menu turned Open, and after its port was edited and applied, Close; a picture chosen"
echo "with its greyscale copy and saved as the skin Default was worn by the next box added; a custom application"
echo "added from the box menu ran from it with the box's name and address; a URL box set to speak and run a"
echo "program on Down ran the program once after four Down reports."
echo "With the strip always on top, the message refusing an empty name stood above the Edit dialog and closed."

