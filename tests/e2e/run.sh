#!/usr/bin/env bash
# End-to-end check: the real program on a virtual X display with a tray host, driven with
# xdotool as a person would. Prints one line per check and "N passed, M failed"; fails when
# any check fails. Usage: run.sh <zufusen binary> <work folder>; screenshots go to <work>/shots.
set -uo pipefail
if [ $# -ne 2 ]; then
    echo "usage: run.sh <zufusen binary> <work folder>" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/display.sh"

binary=$(realpath "$1")
work=$(realpath -m "$2")
app=$work/app
shots=$work/shots
db=$app/zu_daviv.db

rm -rf "$work"
mkdir -p "$app" "$shots" "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
cp "$binary" "$app/zufusen"

# The program sees only the virtual display: no desktop session, bus or session manager.
export LC_ALL=C.UTF-8 TMPDIR=$work/tmp XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER

Palette=ＺＵ付箋
ZU_PID=""
DETAIL=""
passed=0
failed=0

cleanup()
{
    [ -f "$db" ] && chattr -i "$db" 2>/dev/null
    end_process "$ZU_PID" 10
    stop_virtual_display
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- reporting -------------------------------------------------------------------------

# check "<what>" <command...>: runs the command, which polls as long as it needs to; a failing
# command leaves what it saw in DETAIL.
check()
{
    local what=$1
    shift
    DETAIL=""
    if "$@"; then
        echo "ok   - $what"
        passed=$((passed + 1))
    else
        echo "FAIL - $what${DETAIL:+ [$DETAIL]}"
        failed=$((failed + 1))
    fi
}

# --- the program -----------------------------------------------------------------------

start_program()
{
    (cd "$app" && exec ./zufusen) >>"$work/zufusen.log" 2>&1 &
    ZU_PID=$!
}

# Status 3 when the program has gone: waits give up at once instead of sitting out their time.
alive()
{
    [ -n "$ZU_PID" ] && running "$ZU_PID" && return 0
    DETAIL="the program is not running; see $work/zufusen.log"
    return 3
}

# ends_after <action...>: the running program, given the action, ends within 10 s with exit
# code 0. It is ended in any case, so that the next start finds no running copy.
ends_after()
{
    local status
    alive || return
    if ! "$@"; then
        end_process "$ZU_PID" 5
        ZU_PID=""
        return 1
    fi
    if ! wait_until 10 ended "$ZU_PID"; then
        DETAIL="still running after 10 s"
        end_process "$ZU_PID" 5
        ZU_PID=""
        return 1
    fi
    wait "$ZU_PID"
    status=$?
    ZU_PID=""
    [ "$status" -eq 0 ] && return 0
    DETAIL="exit code $status"
    return 1
}

signal_program()
{
    kill -"$1" "$ZU_PID"
}

# The palette's exit shortcut, with the palette shown at the top-left corner and focused.
press_ctrl_x_on_palette()
{
    local palette
    xdotool mousemove 0 0
    wait_until 10 palette_at "0 0 269 79" || return 1
    palette=$(palette_id)
    timeout 10 xdotool windowfocus --sync "$palette" || {
        DETAIL="the palette does not take the focus"
        return 1
    }
    xdotool key ctrl+x
}

# --- the screen ------------------------------------------------------------------------

# "X Y W H" of the shown palette, or nothing.
palette_place()
{
    program_windows | grep " $Palette\$" | cut -d' ' -f1-4
}

palette_id()
{
    program_windows | grep " $Palette\$" | cut -d' ' -f5
}

# "X Y W H" of every shown note, sorted.
note_places()
{
    program_windows | grep -v " $Palette\$" | cut -d' ' -f1-4 | sort
}

note_id_at()
{
    program_windows | grep "^$1 " | cut -d' ' -f5
}

palette_at()
{
    alive || return
    local seen
    seen=$(palette_place)
    [ "$seen" = "$1" ] && return 0
    DETAIL="palette: ${seen:-hidden}"
    return 1
}

palette_hidden()
{
    alive || return
    local seen
    seen=$(palette_place)
    [ -z "$seen" ] && return 0
    DETAIL="palette still at $seen"
    return 1
}

# The shown notes are exactly the given "X Y W H" places.
notes_are()
{
    alive || return
    local want seen
    want=$(printf '%s\n' "$@" | sort)
    seen=$(note_places)
    [ "$seen" = "$want" ] && return 0
    DETAIL="notes: ${seen:-none}"
    DETAIL=${DETAIL//$'\n'/, }
    return 1
}

no_note_at()
{
    alive || return
    ! note_places | grep -q "^$1\$" && return 0
    DETAIL="a note is shown at $1"
    return 1
}

# none_shown_until <time in ms> <lister>: until then, the lister (a function printing what it
# sees of the program) prints nothing.
none_shown_until()
{
    local seen
    while [ "$(now_ms)" -lt "$1" ]; do
        alive || return
        seen=$("$2")
        if [ -n "$seen" ]; then
            DETAIL="shown: ${seen//$'\n'/, }"
            return 1
        fi
        sleep 0.2
    done
}

# Watches for $1 seconds: nothing of the program may show on the desktop.
nothing_shown_for()
{
    none_shown_until $(($(now_ms) + $1 * 1000)) program_windows
}

tray_icon_docked()
{
    alive || return
    program_docked && return 0
    DETAIL="no zufusen window inside trayer's panel"
    return 1
}

# "X Y W H" of a shown balloon: a window of the program by the tray in the bottom-right corner
# that is neither the palette nor a note of this check.
balloon_place()
{
    local x y w h _ name
    while read -r x y w h _ name; do
        [ "$name" != "$Palette" ] && [ $((x + w)) -ge 950 ] && [ $((y + h)) -ge 700 ] && echo "$x $y $w $h"
    done < <(program_windows)
}

balloon_shown()
{
    alive || return
    [ -n "$(balloon_place)" ] && return 0
    DETAIL="no balloon by the tray"
    return 1
}

focused()
{
    alive || return
    [ -n "$1" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# screen_shows <picture name> "X Y R,G,B"...: takes a screenshot and compares the pixels.
screen_shows()
{
    alive || return
    local file=$shots/$1.png pixel x y want got
    shift
    timeout 10 import -window root "$file" 2>/dev/null || {
        DETAIL="no screenshot"
        return 1
    }
    for pixel in "$@"; do
        read -r x y want <<<"$pixel"
        got=$(convert "$file" -format \
            "%[fx:round(255*p{$x,$y}.r)],%[fx:round(255*p{$x,$y}.g)],%[fx:round(255*p{$x,$y}.b)]" info:)
        if [ "$got" != "$want" ]; then
            DETAIL="pixel ($x,$y) is $got, not $want; see $file"
            return 1
        fi
    done
}

# --- the store -------------------------------------------------------------------------

# Runs SQL on the store; its errors become its output, for DETAIL.
sql()
{
    sqlite3 -cmd '.timeout 3000' "$db" "$@" 2>&1
}

# Lower-case hex of a text in code page 932, the store's encoding.
cp932_hex()
{
    printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n'
}

store_has_both_tables()
{
    local tables
    alive || return
    [ -f "$db" ] || {
        DETAIL="no $db"
        return 1
    }
    tables=$(sqlite3 -readonly -cmd '.timeout 3000' "$db" .tables 2>&1)
    [[ $tables == *m_daviv* && $tables == *m_icom_message* ]] && return 0
    DETAIL="tables: $tables"
    return 1
}

store_unchanged_since()
{
    [ "$(cksum <"$db" 2>&1)" = "$1" ] && return 0
    DETAIL="the store changed"
    return 1
}

# Every row of m_daviv is as given: "f_day|xpos|ypos|width|height|term|visible|color|alpha|note hex".
rows_are()
{
    local want seen
    want=$(printf '%s\n' "$@")
    seen=$(sql "select f_day, xpos, ypos, width, height, term, visible, color, alpha, lower(hex(note))
                from m_daviv order by rowid")
    [ "$seen" = "$want" ] && return 0
    DETAIL="rows: ${seen//$'\n'/, }"
    return 1
}

# There are $1 rows, and the last one is dated with one of the days in $2.
new_row_dated()
{
    local count day
    alive || return
    count=$(sql 'select count(*) from m_daviv')
    day=$(sql 'select f_day from m_daviv order by rowid desc limit 1')
    [ "$count" = "$1" ] && [[ " $2 " == *" $day "* ]] && return 0
    DETAIL="$count rows, the last dated $day"
    return 1
}

note_text_is()
{
    alive || return
    stored_text_is "$@"
}

stored_text_is()
{
    local seen
    seen=$(sql "select lower(hex(note)) from m_daviv where rowid = $1")
    [ "$seen" = "$2" ] && return 0
    DETAIL="note hex '$seen'"
    return 1
}

# A second start of the same folder ends at once, with exit code 0.
second_start_ends()
{
    local pid status
    (cd "$app" && exec ./zufusen) >>"$work/second.log" 2>&1 &
    pid=$!
    if ! wait_until 10 ended "$pid"; then
        end_process "$pid" 5
        DETAIL="the second copy keeps running"
        return 1
    fi
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] && return 0
    DETAIL="exit code $status"
    return 1
}

# --- the check -------------------------------------------------------------------------

started=$(now_ms)
start_virtual_display "$work" || exit 1
echo "display $DISPLAY (1024x768) with trayer; work folder $work"

# First start in an empty folder.
xdotool mousemove 512 450
start_program
check "first start creates zu_daviv.db with m_daviv and m_icom_message" wait_until 15 store_has_both_tables
check "the tray icon docks into the tray host" wait_until 15 tray_icon_docked
check "no window but the tray icon shows through the first ticks" nothing_shown_for 3
screen_shows first-start
# In the corner zone but off the corner point: a shown palette stays, and no tick shows it.
xdotool mousemove 100 50
before=$(cksum <"$db" 2>&1)
check "a second start of the same folder exits at once with code 0" second_start_ends
check "the second start leaves the store alone" store_unchanged_since "$before"
check "the second start makes the running copy show its palette at 0,0 269x79" \
    wait_until 10 palette_at "0 0 269 79"
xdotool mousemove 512 450
check "leaving the corner zone hides the palette" wait_until 10 palette_hidden
check "SIGTERM ends the program with exit code 0" ends_after signal_program TERM

# Prepared notes: an ended one first, then two open ones, one of them hidden and half-transparent.
a_hex=$(cp932_hex $'買い物\r\nmilk\r\n')
b_hex=$(cp932_hex $'call back\r\n')
c_hex=$(cp932_hex $'done\r\n')
sql "insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) values
     ('2025/12/24', cast(x'$c_hex' as text), 300, 420, 271, 71, 0, -1, 12632256, 200),
     ('2026/01/15', cast(x'$a_hex' as text), 60, 140, 300, 90, -1, -1, 65535, 200),
     ('2026/02/01', cast(x'$b_hex' as text), 620, 180, 240, 110, -1, 0, 16744703, 125);"

start_program
check "open notes come back at the first tick at their stored places and sizes" \
    wait_until 10 notes_are "60 140 300 90" "620 180 240 110"
check "the ended note stays closed" no_note_at "300 420 271 71"
check "restored notes show in their colours" \
    wait_until 10 screen_shows restored "210 220 255,255,0" "740 280 255,128,255"

corners=("0 0|0 0" "1023 767|754 665" "0 767|0 665" "1023 0|754 0")
for corner in "${corners[@]}"; do
    point=${corner%|*}
    place=${corner#*|}
    # shellcheck disable=SC2086 # the point is two words
    xdotool mousemove $point
    check "cursor at (${point/ /,}) shows the palette at ${place/ /,} 269x79" \
        wait_until 10 palette_at "$place 269 79"
    screen_shows "corner-${point/ /-}"
    xdotool mousemove 512 450
    check "moving the cursor away from (${point/ /,}) hides the palette" wait_until 10 palette_hidden
done

# The tray icon sits in the bottom-right corner zone, so the palette stays while the cursor is on it.
xdotool mousemove 1012 756 click 1
check "a click on the tray icon shows the palette where it last was" wait_until 10 palette_at "754 0 269 79"
xdotool mousemove 512 450
check "moving the cursor away from the tray icon hides the palette" wait_until 10 palette_hidden

# Drag-out: press on swatch 3 (palette x 110..150, y 18..58) and leave it towards (400,300).
xdotool mousemove 1023 767
wait_until 10 palette_at "754 665 269 79"
day_before=$(date +%Y/%m/%d)
# The pauses pace the gesture as a hand would; nothing is waited for here.
xdotool mousemove 884 703 sleep 0.2 mousedown 1 sleep 0.2 mousemove 870 703 sleep 0.1 mousemove 400 300 \
    sleep 0.3 mouseup 1
check "pressing on a swatch and moving off creates a 271x71 note at the cursor" \
    wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
check "the new note has the swatch's colour" wait_until 10 screen_shows dragged-out "535 361 128,255,0"
check "the palette hides after the drag-out" wait_until 10 palette_hidden
check "the new note has a new row dated today" wait_until 10 new_row_dated 4 "$day_before $(date +%Y/%m/%d)"
new_day=$(sql 'select f_day from m_daviv where rowid = 4')

# Typing into the new note; leaving its editor saves it.
note=$(note_id_at "400 300 271 71")
xdotool mousemove 420 320 click 1
wait_until 10 focused "$note"
xdotool type --delay 30 "hello e2e it's"
xdotool mousemove 512 450
typed_hex=$(cp932_hex $'hello e2e it\'s\r\n')
check "typing into the note and moving the pointer out stores its text" wait_until 10 note_text_is 4 "$typed_hex"
screen_shows typed

check "Ctrl+X on the palette ends the program with exit code 0" ends_after press_ctrl_x_on_palette
saved=(
    "2025/12/24|300|420|271|71|0|-1|12632256|200|$c_hex"
    "2026/01/15|60|140|300|90|-1|-1|65535|200|$a_hex"
    "2026/02/01|620|180|240|110|-1|-1|16744703|200|$b_hex"
    "$new_day|400|300|271|71|-1|-1|65408|200|$typed_hex"
)
check "the exit saved every open note and left the ended one alone" rows_are "${saved[@]}"

# The next start brings the new note back with the others, and shows a reminder set for a
# minute that begins after the restore checks; Ctrl+C (SIGINT) ends it as Ctrl+X does.
minute=$((($(date +%s) / 60 + 1) * 60))
[ $((minute - $(date +%s))) -lt 8 ] && minute=$((minute + 60))
reminder_time=$(date -d "@$minute" +%-H:%M:%S)
sql "insert into m_icom_message (itime, message, iday) values
     ('$reminder_time', 'e2e reminder', '$(date -d "@$minute" +%Y/%m/%d)');"
xdotool mousemove 512 450
start_program
check "the next start restores the new note with the other open ones" \
    wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
check "the new note comes back in its colour" \
    wait_until 10 screen_shows restarted "535 361 128,255,0" "210 220 255,255,0"
check "no balloon shows before the reminder's minute ($reminder_time)" none_shown_until $((minute * 1000)) balloon_place
check "the reminder shows as a balloon by the tray at $reminder_time" wait_until 5 balloon_shown
screen_shows reminder
sleep 3
check "the balloon is still there three seconds later" balloon_shown
check "SIGINT ends the program with exit code 0" ends_after signal_program INT
check "the store is unchanged by a save without edits" rows_are "${saved[@]}"

# --- Nothing typed is lost, whatever ends the program or refuses the store ------------------

# types_into_note <place "X Y W H"> <text>: appends the text to a shown note, leaving the pointer
# on it.
types_into_note()
{
    local id x y
    id=$(note_id_at "$1")
    read -r x y _ <<<"$1"
    [ -n "$id" ] || {
        DETAIL="no note at $1"
        return 1
    }
    xdotool mousemove $((x + 20)) $((y + 20)) click 1
    wait_until 10 focused "$id" || {
        DETAIL="the note does not take the focus"
        return 1
    }
    xdotool key ctrl+End type --delay 30 "$2"
}

killed_after()
{
    sleep "$1"
    kill -KILL "$ZU_PID"
    wait "$ZU_PID" 2>/dev/null
    ZU_PID=""
}

start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
check "typing into a note with the pointer still on it" types_into_note "400 300 271 71" " kill nine"
killed_after 2
check "kill -9 two seconds after typing: the text is in the store" \
    stored_text_is 4 "$(cp932_hex $'hello e2e it\'s\r\n kill nine\r\n')"

start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
types_into_note "400 300 271 71" " X"
# The display goes away at once, well inside the second after which a pause saves.
end_process "$XVFB_PID" 5 KILL
XVFB_PID=""
check "the program ends when its display goes away" wait_until 10 ended "$ZU_PID"
wait "$ZU_PID" 2>/dev/null
ZU_PID=""
check "the display killed right after typing: the text is in the store" \
    stored_text_is 4 "$(cp932_hex $'hello e2e it\'s\r\n kill nine X\r\n')"
stop_virtual_display
start_virtual_display "$work" || exit 1

# A note drawn out while the store is read-only gets its row once the store takes one.
rows_before=$(sql 'select count(*) from m_daviv')
start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
chattr +i "$db"
xdotool mousemove 1023 767
wait_until 10 palette_at "754 665 269 79"
xdotool mousemove 884 703 sleep 0.2 mousedown 1 sleep 0.2 mousemove 870 703 sleep 0.1 mousemove 560 460 \
    sleep 0.3 mouseup 1
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71" "560 460 271 71"
types_into_note "560 460 271 71" "made while read-only"
xdotool mousemove 512 450
sleep 2
check "the read-only store got no row for it" [ "$(sql 'select count(*) from m_daviv')" = "$rows_before" ]
screen_shows unsaved-mark
chattr -i "$db"
check "Ctrl+X after the store is writable again ends the program with exit code 0" \
    ends_after press_ctrl_x_on_palette
check "the note made while the store was read-only has its row and text" \
    stored_text_is "$((rows_before + 1))" "$(cp932_hex $'made while read-only\r\n')"

echo "screenshots in $shots; took $((($(now_ms) - started) / 1000)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
