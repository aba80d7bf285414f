#!/usr/bin/env bash
# End-to-end check on a bare X server: the real program on a virtual X display with a tray host,
# driven with xdotool as a person would. Prints one line per check and "N passed, M failed";
# fails when any check fails. Usage: run.sh <zufusen binary> <work folder>; screenshots go to
# <work>/shots.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/display.sh"
# shellcheck source-path=SCRIPTDIR
source "$here/common.sh" "$@"

# --- the check -------------------------------------------------------------------------

started=$(now_ms)
start_virtual_display "$work" || exit 1
echo "display $DISPLAY (1024x768) with trayer; work folder $work"

# First start in an empty folder.
xdotool mousemove 512 450
start_program
check "first start creates zu_daviv.db with m_daviv and m_icom_message" wait_until 15 store_has_both_tables
check "the tray icon docks into the tray host" wait_until 15 tray_icon_docked
check "the first start says how to make a note, in a balloon by the tray" wait_until 10 balloon_shown
screen_shows first-start
# The program's windows but a balloon by the tray.
windows_but_balloon()
{
    local balloons x y w h rest
    balloons=$(balloon_place)
    while read -r x y w h rest; do
        grep -qxF "$x $y $w $h" <<<"$balloons" || echo "$x $y $w $h $rest"
    done < <(program_windows)
}
check "no window but the tray icon and the balloon shows through the first ticks" \
    none_shown_until $(($(now_ms) + 3000)) windows_but_balloon
# In the corner zone but off the corner point: a shown palette stays, and no tick shows it.
xdotool mousemove 100 50
before=$(cksum <"$db" 2>&1)
check "a second start of the same folder exits at once with code 0" second_start_ends
check "the second start leaves the store alone" store_unchanged_since "$before"
check "the second start makes the running copy show its palette at 0,0 269x79" \
    wait_until 10 palette_at "0 0 269 79"
xdotool mousemove 512 450
check "leaving the corner zone hides the palette" wait_until 10 palette_hidden
# Away from every corner, the palette shows in the nearest one and waits there to be found.
xdotool mousemove 700 500
second_start_ends
check "a second start with the cursor away from the corners shows the palette in the nearest one" \
    wait_until 10 palette_at "754 665 269 79"
sleep 3
check "the palette is still there three seconds later, the cursor not having come" palette_at "754 665 269 79"
check "it goes when the cursor has not come for five seconds" wait_until 10 palette_hidden
check "SIGTERM ends the program with exit code 0" ends_after signal_program TERM

# Prepared notes: an ended one first, then two open ones, one of them hidden and half-transparent.
a_hex=$(cp932_hex $'買い物\r\nmilk\r\n')
b_hex=$(cp932_hex $'call back\r\n')
c_hex=$(cp932_hex $'done\r\n')
sql "insert into m_daviv (f_day, note, xpos, ypos, width, height, term, visible, color, alpha) values
     ('2025/12/24', cast(x'$c_hex' as text), 300, 420, 271, 71, 0, -1, 12632256, 200),
     ('2026/01/15', cast(x'$a_hex' as text), 60, 140, 300, 90, -1, -1, 65535, 200),
     ('2026/02/01', cast(x'$b_hex' as text), 620, 180, 240, 110, -1, 0, 16744703, 125);"
# The first start's exit made the day's backup of the empty store; this run's exit makes it anew.
rm -rf "$app/backup"

start_program
check "open notes come back at the first tick at their stored places and sizes" \
    wait_until 10 notes_are "60 140 300 90" "620 180 240 110"
check "the ended note stays closed" no_note_at "300 420 271 71"
check "restored notes show in their colours" \
    wait_until 10 screen_shows restored "210 220 255,255,0" "740 280 255,128,255"
# Idle notes give up their pixels; another window over one and away again (no compositor keeps
# what it covered) and the note draws itself again.
check "idle notes give up the copy of their pixels" wait_until 15 pixels_given_up
pink=$(note_id_at "620 180 240 110")
xdotool windowmove --sync "$pink" 100 150
check "a note moved over another shows over it" wait_until 10 screen_shows covered "210 220 255,128,255"
xdotool windowmove --sync "$pink" 620 180
check "the note uncovered draws itself again, as it was" \
    wait_until 10 screen_shows uncovered "210 220 255,255,0" "740 280 255,128,255"

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
backup_holds_the_notes()
{
    local copy seen
    copy=$app/backup/zu_daviv-$(date +%Y%m%d).db
    [ -f "$copy" ] || copy=$app/backup/zu_daviv-${day_before//\//}.db
    seen=$(sqlite3 -readonly "$copy" "select f_day, xpos, ypos, width, height, term, visible, color, alpha,
                                      lower(hex(note)) from m_daviv order by rowid" 2>&1)
    [ "$seen" = "$(printf '%s\n' "${saved[@]}")" ] && return 0
    DETAIL="$copy: ${seen//$'\n'/, }"
    return 1
}
check "the exit made the day's backup, a store that holds the notes" backup_holds_the_notes

# バックアップから戻す... with a file of no bytes as the newest copy: the dialog chooses the newest
# copy that is a store, and はい puts it in place of the row added since.
for copy in "$app"/backup/zu_daviv-????????.db; do
    mv "$copy" "$app/backup/zu_daviv-$(date -d '2 days ago' +%Y%m%d).db"
done
: >"$app/backup/zu_daviv-$(date +%Y%m%d).db"
sql "insert into m_daviv (f_day, note, term) values ('2026/03/01', 'since the backup', 0)"
# The dialog, then the question it asks: both bear its title.
restore_windows()
{
    program_windows | grep " バックアップから戻す\$" | cut -d' ' -f5
}
restore_windows_shown()
{
    [ "$(restore_windows | wc -l)" -ge "$1" ]
}
# Return asks about the selected copy, once its check has let it be selected.
asked_after_return()
{
    restore_windows_shown 2 && return 0
    click_window "$1" && xdotool key Return
    wait_until 1 restore_windows_shown 2
}
start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
xdotool mousemove 1012 756 click 3
wait_until 10 menu_shown
xdotool key Up Up Return
check "バックアップから戻す..., next to last in the tray menu, opens the restore dialog" \
    wait_until 10 restore_windows_shown 1
dialog=$(restore_windows)
check "Return on the dialog asks about a copy" wait_until 10 asked_after_return "$dialog"
click_window "$(restore_windows | grep -vx "$dialog")"
xdotool key Tab space
check "はい went back to the newest copy that is a store, not the empty newer file" \
    wait_until 10 rows_are "${saved[@]}"
ends_after signal_program TERM

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

start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
check "typing into a note with the pointer still on it" types_into_note "400 300 271 71" " kill nine"
killed_after 2
check "kill -9 two seconds after typing: the text is in the store" \
    stored_text_is 4 "$(cp932_hex $'hello e2e it\'s\r\n kill nine\r\n')"

# A lock left by a killed copy never shuts the user out, even when the next start gets the killed
# copy's process number, as every start in a fresh PID namespace does (PID 1 there).
start_in_pid_namespace()
{
    (cd "$app" && exec unshare --pid --fork --mount-proc ./zufusen) >>"$work/zufusen.log" 2>&1 &
    ZU_PID=$!
    wait_until 10 pgrep -P "$ZU_PID" >/dev/null
}
program_in_namespace()
{
    kill -"$1" "$(pgrep -P "$ZU_PID")"
}
start_in_pid_namespace
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
program_in_namespace KILL
wait "$ZU_PID" 2>/dev/null
start_in_pid_namespace
check "after kill -9, a start with the killed copy's PID (a fresh PID namespace) brings the notes back" \
    wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71"
check "and it ends with SIGTERM as usual" ends_after program_in_namespace TERM

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
    stored_text_is 4 "$(cp932_hex $'hello e2e it\'s\r\n kill nine\r\n X\r\n')"
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

# SIGTERM while the store takes nothing: no box waits for a click; the text goes to a rescue file,
# the exit code says so, and the next start tells of the file once.
start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71" "560 460 271 71"
chattr +i "$db"
types_into_note "560 460 271 71" " term"
xdotool mousemove 512 450
check "SIGTERM with an unwritable store ends the program with exit code 1" ends_with 1 signal_program TERM
chattr -i "$db"
rescue_holds_the_text()
{
    local file
    file=$(ls "$app"/zu_daviv-unsaved-*.txt 2>/dev/null | head -1)
    [ -n "$file" ] && grep -q "^ term" "$file" && return 0
    DETAIL="rescue files: $(ls "$app" | tr '\n' ' ')"
    return 1
}
check "the text that could not be stored is in a rescue file beside the store" rescue_holds_the_text
start_program
check "the next start tells of the rescue file in a balloon" wait_until 10 balloon_shown
check "and only once: its word is gone" wait_until 5 [ ! -e "$db.rescued" ]
screen_shows rescue-notice
check "SIGTERM with a writable store ends the program with exit code 0" ends_after signal_program TERM

# Super+Alt+F anywhere makes a note with the caret in it. A copy in another folder, with a store of
# its own, finds the combination taken, says so once in its log and runs on.
start_program
wait_until 10 notes_are "60 140 300 90" "620 180 240 110" "400 300 271 71" "560 460 271 71"
rows_before=$(sql 'select count(*) from m_daviv')
check "Super+Alt+F makes a note that takes the keyboard" key_makes_focused_note super+alt+f
xdotool type --delay 30 "by key"
check "what is typed next lands in its row" \
    wait_until 10 stored_text_is "$((rows_before + 1))" "$(cp932_hex $'by key\r\n')"
mkdir -p "$work/other"
cp "$binary" "$work/other/zufusen"
(cd "$work/other" && exec ./zufusen) >"$work/other.log" 2>&1 &
other=$!
check "a copy of the program in another folder finds Super+Alt+F taken and says so in its log" \
    wait_until 10 grep -q "Super+Alt+F .*another program has taken it" "$work/other.log"
other_ends_with_0()
{
    kill -TERM "$other"
    wait_until 10 ended "$other" || return 1
    wait "$other" && return 0
    DETAIL="exit code $?"
    return 1
}
check "it runs on: its store is made, SIGTERM ends it with exit code 0" \
    eval 'wait_until 10 [ -f "$work/other/zu_daviv.db" ] && other_ends_with_0'
end_process "$other" 5
check "and it said so only once" [ "$(grep -c "Super+Alt+F" "$work/other.log")" = 1 ]
check "SIGTERM ends the program after the note from the key" ends_after signal_program TERM

finish
