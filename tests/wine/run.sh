#!/usr/bin/env bash
# The Windows build under wine on a virtual display: the program folder from a path past
# MAX_PATH and from a drive root, the input method on a real window, and the program driven as a
# person would, with a screenshot in <work folder>/shots.
#   run.sh <folder of the test exes> <program exe> <work folder>
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 <test exe folder> <program exe> <work folder>" >&2; exit 2; }
tests=$1 program=$2
mkdir -p "$3"
work=$(cd "$3" && pwd)
# shellcheck source=wine.sh
source "$(dirname "$0")/wine.sh"
mkdir -p "$work/shots"
trap 'stop_wine; stop_virtual_display' EXIT

start_virtual_display "$work"
use_wine_prefix "$work"

# The program folder test, started as the Windows path $1 and expecting $2.
program_folder_is()
{
    ZU_EXPECTED_PROGRAM_FOLDER=$2 run_wine_exe "$1" --gtest_filter='WinProgramFolder.*' --gtest_brief=1
}

# Past MAX_PATH. Wine starts an exe that long only from its Unix path, and winepath cuts such a
# path at MAX_PATH, so the expected name is made here: drive Z: is the Unix root.
long=$work/long
for _ in 1 2 3 4 5 6 7; do long+=/folder-name-that-makes-the-path-longer; done
rm -rf "$work/long"
mkdir -p "$long"
cp "$tests/win_platform_test.exe" "$long/"
program_folder_is "$long/win_platform_test.exe" "Z:${long//\//\\}"

# A drive root keeps its separator.
rm -rf "$work/root"
mkdir -p "$work/root"
cp "$tests/win_platform_test.exe" "$work/root/"
ln -sfn "$work/root" "$WINEPREFIX/dosdevices/y:"
program_folder_is 'Y:\win_platform_test.exe' 'Y:\'

run_wine_exe "$tests/win_input_method_test.exe" --gtest_brief=1

# --- the real program -------------------------------------------------------------------

app=$work/app
db=$app/zu_daviv.db
rm -rf "$app"
mkdir -p "$app"
cp "$program" "$app/zufusen.exe"
name=zufusen.exe
# shellcheck source-path=SCRIPTDIR source=../check.sh
source "$(dirname "$0")/../check.sh"
sql()
{
    sqlite3 -cmd '.timeout 3000' "$db" "$@"
}
schema_is_exact()
{
    [ -f "$db" ] || return 1
    local seen want
    seen=$(sql "select sql from sqlite_master where type = 'table' order by name" 2>/dev/null | sed 's/^CREATE TABLE/Create table/')
    want="Create table m_daviv ([f_day] DATE, [note] BLOB, [xpos] INT, [ypos] INT, [width] INT, [height] INT, [term] BOOL, [visible] BOOL, [color] INT, [alpha] INT)
Create table m_icom_message ([itime] Time, [message] Text, [iday] Date)"
    [ "$seen" = "$want" ]
}
shown_windows_at_least()
{
    [ "$(wine_windows "$name" | wc -l)" -ge "$1" ]
}
# "X Y" of the shown window of the program at the given place, for the checks below.
window_at()
{
    local w
    for w in $(wine_windows "$name"); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$X $Y" = "$1" ] && echo "$w" && return 0
    done
    return 1
}
row_is()
{
    [ "$(sql "select xpos, ypos, lower(hex(note)) from m_daviv where rowid = $1")" = "$2" ]
}
ended()
{
    [ -z "$WINE_PID" ] || ! running "$WINE_PID"
}
# Lower-case hex of a line as the store keeps it, with its CR LF.
line_hex()
{
    printf '%s\r\n' "$1" | od -An -tx1 | tr -d ' \n'
}
note_hex_is()
{
    [ "$(sql "select lower(hex(note)) from m_daviv where rowid = $1")" = "$2" ]
}
# The text typed lands in row $1.
typed_into_row()
{
    xdotool type --delay 50 "$2"
    wait_until 10 note_hex_is "$1" "$(line_hex "$2")"
}
# 新しい付箋 as a person chooses it: a right click on the tray icon (1003..1023 x 745..767 in
# trayer), another when the menu closed as it opened (now and then under wine, with a note
# active), then a click on the menu's fourth row (表示, 終了, a line, 新しい付箋).
new_note_from_tray()
{
    local _
    for _ in 1 2 3; do
        xdotool mousemove 1013 756 click 3
        wait_until 3 window_at "800 556" >/dev/null && xdotool mousemove 870 623 click 1 && return 0
    done
    return 1
}
# The palette shown at the top-left corner, given the keys as a person does: a click on its margin.
click_palette()
{
    xdotool mousemove 0 0
    wait_until 15 window_at "0 0" >/dev/null || return 1
    xdotool mousemove 3 3 click 1
}
note_list_shown()
{
    x_query xdotool search --onlyvisible --name '^付箋一覧$' >/dev/null
}
# 終了 from the palette: Ctrl+X ends the program.
exit_by_palette()
{
    click_palette || return 1
    xdotool key ctrl+x
    wait_until 20 ended
}

start_wine_gui "$work/program.log" "$app/zufusen.exe"
check "the first start makes zu_daviv.db beside the exe with the exact schema" wait_until 30 schema_is_exact
check "its tray icon docks in the tray host" wait_until 30 wine_tray_docked
# The first tick's hint by the tray shows before the menu is used: only the menu may appear then.
wait_until 15 shown_windows_at_least 1 || true
# A new note takes the keyboard, the second one too, though the first has it.
check "新しい付箋 from the tray makes a note" eval 'new_note_from_tray && wait_until 10 window_at "376 348"'
check "what is typed next lands in its row" typed_into_row 1 "note 1"
check "a second one comes below it" eval 'new_note_from_tray && wait_until 10 window_at "400 372"'
check "what is typed next lands in the second one's row" typed_into_row 2 "note 2"
# A log-off right after typing, within the note's own second: the session's end saves it.
xdotool type --delay 50 " more"
# Its status says only whether every program agreed in wineboot's own time; what counts is the
# check below, so a busy machine's late answer must not end this script.
"$WINELOADER" wineboot --end-session || echo "wineboot --end-session: status $?" >&2
check "a log-off ends the program and keeps what was typed just before" \
    wait_until 20 eval 'ended && row_is 2 "400|372|$(line_hex "note 2 more")"'
stop_wine
sql "delete from m_daviv"

# A note in code page 932, as the program has always stored Japanese, and one with an emoji,
# which code page 932 cannot hold, in the marked UTF-8 form.
cp932=$(printf '買い物リスト\r\n牛乳・卵\r\n' | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n')
marked=efbbbf$(printf 'ok 😀\r\n' | od -An -tx1 | tr -d ' \n')
sql "insert into m_daviv values ('2026/12/01', cast(x'$cp932' as text), 100, 100, 271, 71, -1, -1, 65535, 200),
                                ('2026/12/02', cast(x'$marked' as text), 450, 300, 271, 71, -1, -1, 16744703, 200);"
xdotool mousemove 512 600
start_wine_gui "$work/program.log" "$app/zufusen.exe"
check "the notes come back at their places" wait_until 30 eval 'window_at "100 100" >/dev/null && window_at "450 300" >/dev/null'
sleep 1
import -window root "$work/shots/windows.png"
# A drag by the first note's date strip, at its top right.
xdotool mousemove 350 106 sleep 0.3 mousedown 1 sleep 0.3 mousemove 370 126 sleep 0.2 mousemove 390 146 sleep 0.3 mouseup 1
check "a move by the date strip is saved, the text byte for byte" wait_until 10 row_is 1 "140|140|$cp932"
# Win+Alt+F makes a note that takes the keyboard. Without a window manager wine hears the keys
# through the window under the pointer and hands them to its own focus: the pointer rests on the
# moved note, and the text must land in the new one.
xdotool mousemove 160 160 key super+alt+f
check "Win+Alt+F makes a note in the middle of the screen" wait_until 10 window_at "376 348"
xdotool type --delay 50 "by key"
check "what is typed next lands in the new note's row" \
    wait_until 10 eval '[ "$(sql "select lower(hex(note)) from m_daviv where rowid = 3")" = 6279206b65790d0a ]'
check "a click on the palette, then Ctrl+L opens the note list" \
    eval 'click_palette && xdotool key ctrl+l && wait_until 10 note_list_shown'
check "Escape closes it" eval 'note_list_shown && xdotool key Escape && wait_until 10 eval "! note_list_shown"'
# Drawn out of the bottom-right palette: a press on its third swatch (864..904 x 683..723), a move
# off it towards (600,100).
xdotool mousemove 1023 767
wait_until 15 window_at "754 665" >/dev/null || true
xdotool mousemove 884 703 sleep 0.2 mousedown 1 sleep 0.2 mousemove 870 703 sleep 0.1 mousemove 600 100 \
    sleep 0.3 mouseup 1
check "a note drawn out of the palette shows at the cursor" wait_until 10 window_at "600 100"
check "what is typed next lands in its row" typed_into_row 4 "drawn"
check "終了 ends the program" exit_by_palette
check "the exit save keeps both texts byte for byte" \
    eval 'row_is 1 "140|140|$cp932" && row_is 2 "450|300|$marked"'
# A copy killed with kill -9, then a new wine session whose process ids start over, as after a
# reboot: the lock the dead copy held never keeps the next start out.
start_wine_gui "$work/program.log" "$app/zufusen.exe"
check "a start shows the notes" wait_until 30 eval 'window_at "140 140" >/dev/null'
kill -KILL "$WINE_PID"
wait "$WINE_PID" 2>/dev/null || true
stop_wine
start_wine_gui "$work/program.log" "$app/zufusen.exe"
check "after kill -9 and a new wine session, the next start brings the notes back" \
    wait_until 30 eval 'window_at "140 140" >/dev/null'
check "and 終了 ends it" exit_by_palette
# The same notes through one sync folder with the Linux build (when scripts/test names it): each
# copy starts with a note of its own; each ends with both, under its own ids.
linux=${ZU_LINUX_PROGRAM:-}
if [ -n "$linux" ] && [ -x "$linux" ]; then
    shared=$work/sync
    rm -rf "$shared" "$work/linux"
    mkdir -p "$shared" "$work/linux"
    cp "$linux" "$work/linux/zufusen"
    seed()
    {
        sqlite3 "$1" "create table zu_sync_setting (key text primary key, value);
            insert into zu_sync_setting values ('folder', '$2'), ('store_id', '$3'), ('host', '$(hostname)'),
                ('pc_name', '$4'), ('clock', '0');
            insert into m_daviv values ('2026/12/10', '$5', 200, 200, 271, 71, -1, -1, 8454143, 200);"
    }
    # The Windows copy's store as it stands, with one note more of its own.
    sql "delete from m_daviv"
    seed "$db" "Z:$shared" 00000000000000d1 WINPC "from windows"
    sqlite3 "$work/linux/zu_daviv.db" "$(sqlite3 "$db" .schema | grep -i 'create table m_')"
    seed "$work/linux/zu_daviv.db" "$shared" 00000000000000e2 LINUXPC "from linux"
    start_wine_gui "$work/program.log" "$app/zufusen.exe"
    (cd "$work/linux" && QT_QPA_PLATFORM=xcb exec ./zufusen >"$work/linux.log" 2>&1) &
    linux_pid=$!
    both_have_both()
    {
        local store
        for store in "$db" "$work/linux/zu_daviv.db"; do
            [ "$(sqlite3 -cmd '.timeout 3000' "$store" "select count(*) from m_daviv where
                note in ('from windows', 'from linux') or note like 'from windows%' or note like 'from linux%'")" = 2 ] ||
                return 1
        done
    }
    check "the Windows build and the Linux build share their notes through one sync folder" wait_until 60 both_have_both
    kill -TERM "$linux_pid"
    wait "$linux_pid" 2>/dev/null || true
    check "and 終了 ends the Windows one" exit_by_palette
fi
echo "screenshot $work/shots/windows.png; $failed failed"
[ "$failed" -eq 0 ]
