#!/usr/bin/env bash
# End-to-end check on a desktop: the real program under a reparenting window manager (openbox),
# a taskbar that also hosts the tray (tint2) and a compositor (xcompmgr), then under a window
# manager that takes its time to place a window (lagging_wm). Prints one line per check and
# "N passed, M failed". Usage: desktop_pass.sh <zufusen binary> <work folder> [lagging_wm binary].
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/display.sh"
# shellcheck source-path=SCRIPTDIR
source "$here/desktop.sh"
lagging_wm=${3:-}
# shellcheck source-path=SCRIPTDIR
source "$here/common.sh" "$1" "$2"

# The place, size and state of row $1 are "X|Y|W|H|term".
row_is()
{
    query_is "row $1" "select xpos, ypos, width, height, term from m_daviv where rowid = $1" "$2"
}

# None of the program's shown windows asks a taskbar for a button, and tint2 draws none.
no_taskbar_entries()
{
    local w seen=0
    alive || return
    for w in $(program_windows | cut -d' ' -f5); do
        seen=$((seen + 1))
        if has_taskbar_entry "$w"; then
            DETAIL="window $(printf '0x%x' "$w") ($(xdotool getwindowname "$w")) has a taskbar entry"
            return 1
        fi
    done
    [ "$seen" -gt 0 ] || {
        DETAIL="no window of the program is shown"
        return 1
    }
    local buttons
    buttons=$(taskbar_buttons "$shots/taskbar.png")
    [ "$buttons" = 0 ] && return 0
    DETAIL="tint2 shows $buttons buttons; see $shots/taskbar.png"
    return 1
}

# Every note sits in the window manager's frame without decoration.
notes_undecorated()
{
    local w frame
    for w in $(program_windows | grep -v " $Palette\$" | cut -d' ' -f5); do
        frame=$(frame_of "$w")
        [[ $frame == *"extents 0 0 0 0" ]] || {
            DETAIL="note $(printf '0x%x' "$w"): $frame"
            return 1
        }
    done
}

ordinary_window()
{
    x_query xdotool search --onlyvisible --classname '^ordinary$' | head -1
}

# Opens an ordinary window (xmessage) at "+X+Y" ($1); ORDINARY is its process. On a busy machine
# it may take a while to start and be mapped: the checks wait for it to show.
open_ordinary_window()
{
    xmessage -geometry "$1" -name ordinary "an ordinary window" >>"$work/xmessage.log" 2>&1 &
    ORDINARY=$!
}

note_below_ordinary_window()
{
    local note other
    note=$(note_id_at "$1")
    wait_until 30 eval '[ -n "$(ordinary_window)" ]'
    other=$(ordinary_window)
    [ -n "$note" ] && [ -n "$other" ] || {
        DETAIL="note '$note', ordinary window '$other'"
        return 1
    }
    stacked_above "$note" "$other" || return 0
    DETAIL="the note is stacked above the ordinary window"
    return 1
}

# "X Y W H" of the shown window $1.
window_place()
{
    # xwininfo without a window waits for a click on one.
    [ -n "$1" ] || return 1
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ +Width/ {w=$NF} /^ +Height/ {h=$NF} /Map State/ {s=$NF}
        END {if (s == "IsViewable") print x, y, w, h}'
}

# The topmost shown note that holds the point $1,$2 (the window manager's stacking list runs from
# the bottom to the top).
note_under()
{
    local stacking
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -o '0x[0-9a-f]*' | while read -r w; do
        echo $((w))
    done)
    program_windows | grep -v " $Palette\$" | awk -v x="$1" -v y="$2" -v stacking="$stacking" '
        BEGIN { n = split(stacking, order, "\n"); for (i = 1; i <= n; i++) level[order[i]] = i }
        x >= $1 && x < $1 + $3 && y >= $2 && y < $2 + $4 && level[$5] >= best { best = level[$5]; id = $5 }
        END { print id }'
}

window_is_at()
{
    local seen
    seen=$(window_place "$1")
    [ "$seen" = "$2" ] && return 0
    DETAIL="the note is at ${seen:-nothing}"
    return 1
}

# The window manager moves the pressed note: the pointer goes to the gesture's first step, a
# pixel further every other time, until window $1 leaves "$2". Args: id, place, X, Y, DX, DY.
note_follows()
{
    NUDGE=$((1 - ${NUDGE:-0}))
    xdotool mousemove $(($3 + $5 / 5 + NUDGE)) $(($4 + $6 / 5 + NUDGE))
    [ "$(window_place "$1")" != "$2" ]
}

# drags <from X Y> <by DX DY> <"X Y W H" of the note after it>: a press, a move in steps and a
# release, as a hand does. The window manager takes the gesture over only once the program has
# passed the press on to it; motion before that is the program's, so the first step is made
# until the note follows, and the button goes up once the note is where the gesture takes it.
drag()
{
    local note start i
    note=$(note_under "$1" "$2")
    [ -n "$note" ] || {
        DETAIL="no note at $1,$2"
        return 1
    }
    start=$(window_place "$note")
    xdotool mousemove "$1" "$2" mousedown 1
    if ! wait_until 10 note_follows "$note" "$start" "$@"; then
        xdotool mouseup 1
        DETAIL="the note $note at $start does not follow the pointer: $(program_windows | tr '\n' ',')"
        return 1
    fi
    for i in 2 3 4 5; do
        xdotool mousemove $(($1 + $3 * i / 5)) $(($2 + $4 * i / 5))
    done
    wait_until 10 window_is_at "$note" "$5"
    local status=$?
    xdotool mouseup 1
    return $status
}

# Clicks into the note at "X Y W H" $1, at $2,$3 inside it, and waits for it to take the focus.
click_into_note()
{
    local note x y
    note=$(note_id_at "$1")
    read -r x y _ <<<"$1"
    xdotool mousemove $((x + $2)) $((y + $3)) click 1
    wait_until 10 focused "$note" && return 0
    DETAIL="the note at $1 does not take the focus"
    return 1
}

# At each corner "POINT|PLACE": the palette summoned there, a click on it, and Ctrl+L opens the
# note list (Escape closes it again).
palette_keys_after_a_click()
{
    local corner point
    for corner in "$@"; do
        point=${corner%|*}
        # shellcheck disable=SC2086 # the point is two words
        xdotool mousemove $point
        wait_until 10 palette_at "${corner#*|}" && click_palette || {
            DETAIL="cursor at $point: $DETAIL"
            return 1
        }
        xdotool key ctrl+l
        wait_until 10 note_list_shown || {
            DETAIL="Ctrl+L after a click on the palette at $point opens no list"
            return 1
        }
        xdotool key Escape
        wait_until 10 eval '! note_list_shown' || return 1
        xdotool mousemove 512 450
        wait_until 10 palette_hidden || return 1
    done
}

corners_fire()
{
    local corner point place
    for corner in "$@"; do
        point=${corner%|*}
        place=${corner#*|}
        # shellcheck disable=SC2086 # the point is two words
        xdotool mousemove $point
        wait_until 10 palette_at "$place" || {
            DETAIL="cursor at $point: $DETAIL"
            return 1
        }
        xdotool mousemove 512 450
        wait_until 10 palette_hidden || return 1
    done
}

notes_on_screen()
{
    local x y w h
    alive || return
    while read -r x y w h; do
        [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1024 ] && [ $((y + h)) -le 768 ] && continue
        DETAIL="a note at $x $y ${w}x$h"
        return 1
    done < <(note_places)
    [ -n "$(note_places)" ]
}

store_notes()
{
    sql "delete from m_daviv; insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha)
         values $1;"
}

started=$(now_ms)
start_virtual_display "$work" || exit 1
start_window_manager "$work" || exit 1
start_compositor "$work" || exit 1
echo "display $DISPLAY (1024x768) with openbox, tint2 and xcompmgr; work folder $work"

# Three notes as a user leaves them, one stored on a monitor that is gone, one that a window
# manager's unmapped 1x1 once damaged. Their texts come in as UTF-8, as another program writes.
xdotool mousemove 512 450
start_program
check "first start under a window manager creates the store" wait_until 15 store_has_both_tables
ends_after signal_program TERM
crlf="|| char(13,10) ||"
store_notes "('2026/12/01', '買い物リスト' $crlf '・牛乳　・卵　・食パン', 100, 100, 271, 71, -1, -1, 65535, 200),
             ('2026/12/02', '14:00 田中さんに電話' $crlf '見積書の件', 100, 300, 271, 71, -1, -1, 16744703, 200),
             ('2026/12/03', '資料: https://example.com/plan', 500, 300, 271, 71, -1, -1, 65408, 200),
             ('2026/12/04', '来週の会議室を予約する', 2000, 500, 271, 71, -1, -1, 12632256, 200),
             ('2026/12/05', '〆切 12/20', 300, 600, 1, 1, -1, -1, 16771434, 200)"
start_program
check "notes come back at their places; the one from a gone monitor and the damaged one within reach" \
    wait_until 10 notes_are "100 100 271 71" "100 300 271 71" "500 300 271 71" "753 500 271 71" "300 600 271 71"
check "the tray icon docks into tint2" wait_until 15 program_docked
xdotool mousemove 0 0
wait_until 10 palette_at "0 0 269 79"
check "no note and not the palette has a taskbar entry" no_taskbar_entries
xdotool mousemove 512 450
check "notes sit in the manager's frames without decoration" notes_undecorated
open_ordinary_window +60+60
check "a note is not kept above an ordinary window opened later" note_below_ordinary_window "100 100 271 71"
end_process "$ORDINARY" 5
check "with the compositor a note shows its colour blended at alpha 200" \
    wait_until 10 screen_shows composited "300 150 228,228,28" "600 350 128,228,28"
check "the damaged size is stored as a new note's" wait_until 10 row_is 5 "300|600|271|71|-1"

# Clicking into a note, hiding it and ending another keep every row where the notes are.
click_into_note "100 300 271 71" 100 45
check "clicking into a note leaves its row" row_is 2 "100|300|271|71|-1"
xdotool key ctrl+n
wait_until 10 no_note_at "100 300 271 71"
check "hiding it leaves its row" row_is 2 "100|300|271|71|-1"
click_into_note "500 300 271 71" 100 45
xdotool key ctrl+e
check "ending another writes it ended where it is" wait_until 10 row_is 3 "500|300|271|71|0"
check "and the hidden one's row is untouched" row_is 2 "100|300|271|71|-1"

# Moving by the date strip and resizing by the corner go through the window manager.
check "a drag by the date strip moves the note" drag 355 110 50 40 "150 140 271 71"
check "a drag by the date strip stores the new place" wait_until 10 row_is 1 "150|140|271|71|-1"
check "a drag by the corner resizes it" drag 419 209 30 20 "150 140 301 91"
check "a resize by the corner stores the new size" wait_until 10 row_is 1 "150|140|301|91|-1"
press_on_palette ctrl+d
xdotool mousemove 512 450
check "付箋表示 shows the hidden and the ended note where they were" \
    wait_until 10 notes_are "150 140 301 91" "100 300 271 71" "500 300 271 71" "753 500 271 71" "300 600 271 71"
check "Ctrl+X ends the program" ends_after press_ctrl_x_on_palette
check "the note shown within reach keeps its stored place on the gone monitor" row_is 4 "2000|500|271|71|-1"
start_program
check "the next start shows every open note exactly where it was left" \
    wait_until 10 notes_are "150 140 301 91" "100 300 271 71" "500 300 271 71" "753 500 271 71" "300 600 271 71"
check "all four corners fire at scale factor 1" \
    corners_fire "0 0|0 0 269 79" "1023 767|754 665 269 79" "0 767|0 665 269 79" "1023 0|754 0 269 79"
check "at every corner a click on the palette gives its keys the focus (Ctrl+L lists the notes)" \
    palette_keys_after_a_click "0 0|0 0 269 79" "1023 767|754 665 269 79" "0 767|0 665 269 79" "1023 0|754 0 269 79"
xdotool mousemove 1023 767
wait_until 10 palette_at "754 665 269 79"
# The picture once the compositor shows the palette blended over the desktop.
wait_until 10 screen_shows desktop "757 668 197,209,193"
xdotool mousemove 512 450
check "SIGTERM ends the program" ends_after signal_program TERM

# At scale factor 2 the corners fire at their corner pixels, and notes saved at 1 come back
# within the smaller logical screen (512x384): the two that fit where they were, the others
# moved in, their stored places kept for scale factor 1.
left_at_scale_1=("150|140|301|91|-1" "100|300|271|71|-1" "500|300|271|71|-1" "2000|500|271|71|-1"
    "300|600|271|71|-1")
QT_SCALE_FACTOR=2 start_program
check "at scale factor 2 every note is on the screen" wait_until 10 notes_on_screen
check "at scale factor 2 the notes that fit keep their places and the others are moved in" \
    wait_until 10 notes_are "300 280 602 182" "200 600 542 142" "482 600 542 142" "482 626 542 142" \
    "482 626 542 142"
check "all four corners fire at scale factor 2" \
    corners_fire "0 0|0 0 538 158" "1023 767|484 562 538 158" "0 767|0 562 538 158" "1023 0|484 0 538 158"
screen_shows scale-2
check "SIGTERM ends the program at scale factor 2" ends_after signal_program TERM
check "the exit save at scale factor 2 keeps every stored place" \
    query_is places "select group_concat(xpos || '|' || ypos || '|' || width || '|' || height || '|' || term, ' ')
                     from (select * from m_daviv order by rowid)" "${left_at_scale_1[*]}"

# A note from the tray: a double click makes one in the middle of the screen; its menu keeps it
# on top of ordinary windows (the menu's T).
note_is_above()
{
    local note
    note=$(note_id_at "$1")
    xprop -id "$note" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE || {
        DETAIL="_NET_WM_STATE: $(xprop -id "$note" _NET_WM_STATE 2>&1)"
        return 1
    }
    wait_until 30 eval '[ -n "$(ordinary_window)" ]'
    stacked_above "$note" "$(ordinary_window)" && return 0
    DETAIL="the note is below the ordinary window"
    return 1
}
rows_before=$(sql 'select count(*) from m_daviv')
start_program
check "back at scale factor 1 every note is where it was left" \
    wait_until 10 notes_are "150 140 301 91" "100 300 271 71" "500 300 271 71" "753 500 271 71" "300 600 271 71"
wait_until 10 program_docked
xdotool mousemove 1013 756 click --repeat 2 --delay 120 1
check "a double click on the tray icon makes a note in the middle of the screen" \
    wait_until 10 eval 'note_places | grep -q "^376 348 271 71$"'
check "the new note has its row" wait_until 10 eval '[ "$(sql "select count(*) from m_daviv")" = $((rows_before + 1)) ]'
xdotool mousemove 500 380 click 3
wait_until 10 menu_shown
xdotool key t
open_ordinary_window +300+300
check "常に手前に表示 keeps the note above an ordinary window opened later" wait_until 10 note_is_above "376 348 271 71"
screen_shows on-top
end_process "$ORDINARY" 5
check "常に手前に表示 leaves the note without a taskbar entry" wait_until 10 no_taskbar_entries
xdotool mousemove 1013 756 click --repeat 2 --delay 120 1
check "a second note from the tray comes down and to the right of the first" \
    wait_until 10 eval 'note_places | grep -q "^400 372 271 71$"'
check "the note kept on top moves by its date strip" drag 627 358 40 30 "416 378 271 71"
check "and its new place is stored" wait_until 10 row_is $((rows_before + 1)) "416|378|271|71|-1"
# The key pressed while another program's window has the focus: the note takes it.
open_ordinary_window +60+60
wait_until 30 eval 'focused "$(ordinary_window)"'
check "with an ordinary window focused, Super+Alt+F makes a note that takes the keyboard" \
    key_makes_focused_note super+alt+f
xdotool type --delay 30 "from the key"
check "what is typed next lands in its row" \
    wait_until 10 stored_text_is $((rows_before + 3)) "$(cp932_hex $'from the key\r\n')"
end_process "$ORDINARY" 5
check "SIGTERM ends the program" ends_after signal_program TERM

# A window manager that takes 300 ms between reparenting a window and placing its frame: the
# gap in which the window's place reads as the new frame's 0,0.
if [ -n "$lagging_wm" ]; then
    stop_desktop
    setsid "$lagging_wm" 300 >"$work/lagging_wm.log" 2>&1 &
    LAGGING_PID=$!
    wait_until 10 window_manager_is lagging_wm
    store_notes "('2026/01/01', 'one', 100, 100, 271, 71, -1, -1, 65535, 200),
                 ('2026/01/02', 'two', 100, 300, 271, 71, -1, -1, 16744703, 200),
                 ('2026/01/03', 'three', 500, 300, 271, 71, -1, -1, 65408, 200)"
    xdotool mousemove 512 600
    start_program
    check "under a slow window manager the notes come back at their places" \
        wait_until 10 notes_are "100 100 271 71" "100 300 271 71" "500 300 271 71"
    click_into_note "100 300 271 71" 100 45
    xdotool key ctrl+n
    wait_until 10 no_note_at "100 300 271 71"
    click_into_note "500 300 271 71" 100 45
    xdotool key ctrl+e
    check "under a slow window manager the ended note's row keeps its place" wait_until 10 row_is 3 "500|300|271|71|0"
    check "under a slow window manager the other rows keep theirs" \
        eval 'row_is 1 "100|100|271|71|-1" && row_is 2 "100|300|271|71|-1"'
    check "SIGTERM ends the program under the slow window manager" ends_after signal_program TERM
    check "and the exit save keeps every place" \
        eval 'row_is 1 "100|100|271|71|-1" && row_is 2 "100|300|271|71|-1" && row_is 3 "500|300|271|71|0"'
    end_process "$LAGGING_PID" 5
fi

finish
