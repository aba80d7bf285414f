#!/usr/bin/env bash
# End-to-end check of synchronising: two copies of the real program, A and B, each from its own
# folder with its own store, as two PCs would run it, on one virtual X display. First they share
# one sync folder; then each has its own and this script plays the user's sync tool between the
# two, late, in pieces, out of order. Checked from outside: each copy's store and the windows it
# shows. Prints one line per check and "N passed, M failed". Usage: sync_pass.sh <zufusen binary>
# <work folder>.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/display.sh"
# shellcheck source-path=SCRIPTDIR
source "$here/common.sh" "$@"

host=$(hostname)
libfaketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -1)
declare -A PIDS=()

cleanup()
{
    local copy
    for copy in "${!PIDS[@]}"; do end_process "${PIDS[$copy]}" 10; done
    stop_virtual_display
}

# --- two copies on one display ------------------------------------------------------------

# as_copy <A|B>: the helpers of common.sh look at that copy from here on: its folder, store,
# process and windows.
as_copy()
{
    COPY=$1
    app=$work/$1
    db=$app/zu_daviv.db
    ZU_PID=${PIDS[$1]:-}
}

# on <A|B> <command...>: the command, run on that copy.
on()
{
    as_copy "$1"
    shift
    "$@"
}

# Starts the current copy; arguments are variables for its environment.
start_copy()
{
    (cd "$app" && exec env "$@" ./zufusen) >>"$work/$COPY.log" 2>&1 &
    ZU_PID=$!
    PIDS[$COPY]=$ZU_PID
}

# Ends the current copy as the system's shutdown would: SIGTERM, exit code 0.
stop_copy()
{
    ends_after signal_program TERM
    local status=$?
    PIDS[$COPY]=""
    return $status
}

kill_copy()
{
    kill -KILL "$ZU_PID"
    wait "$ZU_PID" 2>/dev/null
    PIDS[$COPY]=""
}

# Both copies draw on one display: the lister of display.sh, kept to the current copy's windows.
eval "display_windows()$(declare -f program_windows | tail -n +2)"
program_windows()
{
    local mine x y w h id name
    mine=" $(x_query xdotool search --onlyvisible --all --pid "${ZU_PID:-0}" --class '^zufusen$' | tr '\n' ' ') "
    while read -r x y w h id name; do
        [[ $mine == *" $id "* ]] && echo "$x $y $w $h $id $name"
    done < <(display_windows)
}

# "X Y W H" of the current copy's notes, sorted: neither the palette nor the tooltip windows by
# the tray (balloons, the icon's tooltip) that come and go with what happens.
note_places()
{
    local x y w h id name
    while read -r x y w h id name; do
        [ "$name" != "$Palette" ] && ! xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP &&
            echo "$x $y $w $h"
    done < <(program_windows) | sort
}

# "X Y" of the current copy's tray icon: its one small window.
tray_icon_place()
{
    local w
    for w in $(x_query xdotool search --onlyvisible --all --pid "${ZU_PID:-0}" --class '^zufusen$'); do
        # shellcheck disable=SC2034 # WINDOW and SCREEN come with the rest
        local WINDOW X="" Y WIDTH HEIGHT SCREEN
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
        [ -n "$X" ] && [ "$WIDTH" -le 24 ] && [ "$HEIGHT" -le 24 ] && echo "$X $Y" && return 0
    done
    DETAIL="$COPY has no tray icon"
    return 1
}

# tray_menu <keys...>: the current copy's tray menu, opened by a right click on its icon, and
# the keys pressed in it.
tray_menu()
{
    local place x y
    place=$(tray_icon_place) || return 1
    read -r x y <<<"$place"
    xdotool mousemove $((x + 11)) $((y + 11)) click 3
    wait_until 10 menu_shown || {
        DETAIL="no menu opens from $COPY's tray icon"
        return 1
    }
    xdotool key "$@"
}

# The current copy shows a window titled $1 (a regular expression), which has the focus.
window_titled()
{
    local w
    alive || return
    w=$(x_query xdotool search --onlyvisible --all --pid "$ZU_PID" --name "$1" | head -1)
    [ -n "$w" ] && focused "$w" && return 0
    DETAIL="$COPY shows no focused window '$1'"
    return 1
}

no_window_titled()
{
    alive || return
    [ -z "$(x_query xdotool search --onlyvisible --all --pid "$ZU_PID" --name "$1")" ] && return 0
    DETAIL="$COPY still shows '$1'"
    return 1
}

# types_into <window id> <text>: appends the text to the current copy's note, clicked into as a
# person does. The two PCs share one screen here: the note is raised first, as it would be the
# only one on the PC the user sits at.
types_into()
{
    # shellcheck disable=SC2034 # WINDOW and SCREEN come with the rest
    local WINDOW X="" Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)"
    [ -n "$1" ] && [ -n "$X" ] || {
        DETAIL="$COPY shows no such note"
        return 1
    }
    xdotool windowraise "$1" mousemove $((X + 20)) $((Y + 20)) click 1
    wait_until 10 focused "$1" || {
        DETAIL="$COPY's note does not take the keys"
        return 1
    }
    xdotool key ctrl+End type --delay 30 "$2"
    xdotool mousemove 800 200
}

# A note of the current copy not among the window ids $1 has the keys: NEW_ID, at NEW_NOTE.
new_note_focused()
{
    local id
    alive || return
    id=$(xdotool getwindowfocus 2>/dev/null)
    NEW_NOTE=$(program_windows | awk -v id="$id" '$5 == id {print $1, $2, $3, $4}')
    [[ $1 != *" $id "* ]] && [ -n "$NEW_NOTE" ] && NEW_ID=$id && return 0
    DETAIL="no new note of $COPY has the keys"
    return 1
}

# 新しい付箋 from the current copy's tray menu, and the text typed into it. A new note may come
# where another one is: it is told by its window.
new_note_typed()
{
    local before
    before=" $(program_windows | cut -d' ' -f5 | tr '\n' ' ') "
    tray_menu n || return 1
    wait_until 30 new_note_focused "$before" || return 1
    xdotool type --delay 30 "$1"
    xdotool mousemove 800 200
}

# 同期フォルダ... in the current copy's tray menu (its last item), the folder chosen in the file
# dialog by typing its path. With -o the copy synchronises already: its question box comes first,
# and 別のフォルダ(&F)... leads on to the dialog.
choose_sync_folder()
{
    if [ "$1" = -o ]; then
        shift
        tray_menu Up Return || return 1
        wait_until 10 window_titled '^同期フォルダ$' || return 1
        xdotool key alt+f
    else
        tray_menu Up Return || return 1
    fi
    wait_until 10 window_titled '^同期フォルダを選ぶ' || return 1
    xdotool key ctrl+a type --delay 20 "$1"
    xdotool key Return
    wait_until 10 no_window_titled '^同期フォルダを選ぶ'
}

# --- what a copy holds ---------------------------------------------------------------------

# Every note's text, one a line, its lines joined by "|" (the store's code page and CR LF undone,
# the last line's end left off; a bare LF shows as "\n"), in the order of the rows.
note_texts()
{
    sql "select replace(replace(note, char(13,10), char(9)), char(10), '\\n') from m_daviv order by rowid" |
        iconv -f CP932 -t UTF-8 | sed 's/\t$//' | tr '\t' '|'
}

# The current copy holds exactly the notes with these texts, and shows each open one once at
# its stored place, nothing more.
shows_notes()
{
    alive || return
    local want seen rows places
    want=$(printf '%s\n' "$@" | sort)
    seen=$(note_texts | sort)
    [ "$seen" = "$want" ] || {
        DETAIL="$COPY holds: ${seen//$'\n'/, }"
        return 1
    }
    rows=$(sql "select xpos || ' ' || ypos || ' ' || width || ' ' || height from m_daviv
                where term = -1 and visible = -1" | sort)
    places=$(note_places)
    [ "$places" = "$rows" ] && return 0
    DETAIL="$COPY shows notes at ${places//$'\n'/, } for rows at ${rows//$'\n'/, }"
    return 1
}

# Both copies hold and show the same notes, each once.
copies_agree()
{
    local texts
    mapfile -t texts < <(on A note_texts)
    [ "${#texts[@]}" -gt 0 ] && [ "$(on A note_texts | sort | uniq -d)" = "" ] || {
        DETAIL="A holds: $(on A note_texts | tr '\n' ',')"
        return 1
    }
    on A shows_notes "${texts[@]}" && on B shows_notes "${texts[@]}"
}

holds_text()
{
    note_texts | grep -qxF "$1" && return 0
    DETAIL="$COPY holds: $(note_texts | tr '\n' ',')"
    return 1
}

# The current copy holds a note whose text ends with $1.
holds_ending()
{
    note_texts | grep -q -- "$1\$" && return 0
    DETAIL="$COPY holds: $(note_texts | tr '\n' ',')"
    return 1
}

conflict_heading()
{
    echo "【$1 で同時に書き換えられた内容】"
}

setting_is()
{
    query_is "$1" "select value from zu_sync_setting where key = '$1'" "$2"
}

# --- the sync tool that this script plays --------------------------------------------------

carried=$work/carried
mkdir -p "$carried"

# The current copy's own file in folder $1.
own_file()
{
    ls "$1"/zufusen-"$(sql "select value from zu_sync_setting where key = 'store_id'")"-*.zusync 2>/dev/null | head -1
}

# The sync file $1 holds a note whose text has $2 in it.
file_has()
{
    [ -f "$1" ] && [ "$(sqlite3 -readonly "file:$1?immutable=1" \
        "select count(*) from zu_sync_items where removed = 0 and content like '%$2%'" 2>/dev/null)" -gt 0 ]
}

# carry <file> <folder> [name] [bytes]: the file put into the folder as a sync tool puts it: its
# blocks written back to front (as they arrive, in any order) under a hidden temporary name, then
# renamed into place. With bytes, only that many of the file's bytes arrive under its name, as
# from a tool that writes in place and was cut short.
carry()
{
    local from=$1 to=$2 name=${3:-$(basename "$1")} size=${4:-} block=4096 i temporary
    if [ -n "$size" ]; then
        head -c "$size" "$from" >"$to/$name"
        return
    fi
    temporary=$to/.syncthing.$name.tmp
    : >"$temporary"
    for ((i = ($(stat -c %s "$from") + block - 1) / block - 1; i >= 0; i--)); do
        dd if="$from" of="$temporary" bs="$block" skip="$i" seek="$i" count=1 conv=notrunc status=none
    done
    mv -f "$temporary" "$to/$name"
}

# Keeps a copy of file $1 as it is now, named $2, to be carried later.
keep_version()
{
    cp "$1" "$carried/$2"
}

# One pass of the sync tool catching up: each copy's current file carried to the other folder
# when it differs there; then both copies hold and show the same notes.
caught_up()
{
    local from to file
    for from in A B; do
        to=$([ "$from" = A ] && echo B || echo A)
        file=$(on "$from" own_file "$work/folder-$from")
        [ -n "$file" ] && ! cmp -s "$file" "$work/folder-$to/$(basename "$file")" &&
            carry "$file" "$work/folder-$to"
    done
    copies_agree
}

# --- what the user does ----------------------------------------------------------------------

# 削除 of the note with text $1 in the current copy's note list (from its tray menu), found by
# searching for it; the list is closed again.
remove_in_list()
{
    local text=$1
    tray_menu l || return 1
    wait_until 10 window_titled '^付箋一覧$' || return 1
    xdotool type --delay 20 "$text"
    # The first row under the header, then 削除.
    xdotool mousemove 100 60 click 1 mousemove 468 51 click 1
    wait_until 10 eval '! holds_text "$text"' || {
        DETAIL="$COPY still holds '$text'"
        return 1
    }
    xdotool key Escape
    wait_until 10 no_window_titled '^付箋一覧$'
}

# add_reminder <H:MM:SS> <message>: today, in the current copy's バルーンメッセージ (its tray menu):
# the time typed over the field's, the message, 追加; the editor is closed again.
add_reminder()
{
    tray_menu b || return 1
    wait_until 10 window_titled '^バルーンメッセージ$' || return 1
    xdotool mousemove 160 66 click 1 key ctrl+a type --delay 20 "$1"
    xdotool mousemove 360 66 click 1 type --delay 20 "$2"
    xdotool mousemove 383 16 click 1
    wait_until 10 reminder_is "$1|$2" || return 1
    xdotool key Escape
    wait_until 10 no_window_titled '^バルーンメッセージ$'
}

reminder_is()
{
    query_is reminders "select itime || '|' || message from m_icom_message" "$1"
}

# --- the check -------------------------------------------------------------------------------

started=$(now_ms)
start_virtual_display "$work" || exit 1
echo "display $DISPLAY (1024x768) with trayer; work folder $work"
shared=$work/shared
mkdir -p "$shared" "$work/A" "$work/B"
cp "$binary" "$work/A/zufusen"
cp "$binary" "$work/B/zufusen"

# A has been used without synchronising: one note. B was set up for the shared folder before.
sqlite3 "$work/A/zu_daviv.db" "create table m_daviv ([f_day] DATE, [note] BLOB, [xpos] INT, [ypos] INT,
    [width] INT, [height] INT, [term] BOOL, [visible] BOOL, [color] INT, [alpha] INT);
    insert into m_daviv values ('2026/01/05', 'before sync' || char(13,10), 100, 100, 271, 71, -1, -1, 65535, 200);"
sqlite3 "$work/B/zu_daviv.db" "create table zu_sync_setting (key text primary key, value);
    insert into zu_sync_setting values ('folder', '$shared'), ('store_id', '00000000000000bb'),
    ('host', '$host'), ('pc_name', 'PCB'), ('clock', '0');"
xdotool mousemove 800 200
on A start_copy
on B start_copy
check "both copies dock their tray icons" \
    wait_until 15 eval 'on A tray_icon_place >/dev/null && on B tray_icon_place >/dev/null'
check "A shows its note from before synchronising" wait_until 10 on A shows_notes "before sync"

# Synchronising turned on in A through the tray's dialog.
check "同期フォルダ... in A's tray menu, the shared folder typed into its dialog" on A choose_sync_folder "$shared"
check "A's store keeps the folder" wait_until 10 on A setting_is folder "$shared"
check "A's store names its PC after the host" on A setting_is pc_name "$host"
check "each copy writes its own file into the folder" \
    wait_until 10 eval '[ "$(ls "$shared"/zufusen-*.zusync | wc -l)" = 2 ]'
check "A's note from before shows on B, in B's store" wait_until 15 on B shows_notes "before sync"

# A note typed in A shows on B.
check "A: 新しい付箋 from the tray, and a text typed into it" on A new_note_typed "from A"
new_place=$NEW_NOTE
check "a window with A's new note appears on B, its text in B's store" \
    wait_until 15 on B shows_notes "before sync" "from A"
check "B shows it where A does ($new_place)" on B eval 'note_places | grep -qx "$new_place"'

# A reminder added in A for the first minute at least 30 s away (reminders fire on the minute);
# it is checked on B once the next steps are done.
due=$((($(date +%s) + 30 + 59) / 60 * 60))
reminder_time=$(date -d "@$due" +%-H:%M:%S)
check "A: a reminder for $reminder_time added in バルーンメッセージ" on A add_reminder "$reminder_time" "sync reminder"
check "the reminder reaches B's store" wait_until 15 on B reminder_is "$reminder_time|sync reminder"

# 削除 in B's note list removes the note on A too.
check "B: 削除 of the note from before, in its note list" on B remove_in_list "before sync"
check "its window closes on A and its row is gone there too" wait_until 15 on A shows_notes "from A"
check "and both copies agree" copies_agree

# A restarted an hour behind: its later change still wins.
check "SIGTERM ends A" on A stop_copy
check "libfaketime sets a clock an hour behind" \
    eval '[ $(($(date +%s) - $(env LD_PRELOAD="$libfaketime" FAKETIME=-1h date +%s))) -ge 3590 ]'
on A start_copy LD_PRELOAD="$libfaketime" FAKETIME=-1h
check "A, an hour behind, shows the note again" wait_until 15 on A shows_notes "from A"
check "B changes the note" on B eval 'types_into "$(note_id_at "$new_place")" " B2"'
check "A takes B's change" wait_until 15 eval 'on A holds_ending " B2" && copies_agree'
check "then A, an hour behind, changes it again" on A eval 'types_into "$(note_id_at "$new_place")" " A2"'
check "B takes A's later change, with no copy beside it" \
    wait_until 15 eval 'on B holds_ending " A2" && copies_agree && [ "$(on B note_texts | wc -l)" = 1 ]'

check "no balloon on B before the reminder's minute ($reminder_time)" \
    on B none_shown_until $((due * 1000)) balloon_place
check "the reminder from A shows in a balloon by B's tray at $reminder_time" on B wait_until 5 balloon_shown
screen_shows sync-reminder

# The shared folder drops out for both while each changes the same note: both changes stay.
mv "$shared" "$shared.away"
check "A: the note typed into while the folder is away" on A eval 'types_into "$(note_id_at "$new_place")" " A1"'
check "B: the same note typed into meanwhile" on B eval 'types_into "$(note_id_at "$new_place")" " B1"'
check "each store has its own change" wait_until 10 eval 'on A holds_ending " A1" && on B holds_ending " B1"'
a_text=$(on A note_texts | grep -- " A1$")
b_text=$(on B note_texts | grep -- " B1$")
mv "$shared.away" "$shared"
# Which change keeps the note is the program's choice; both copies make the same one.
both_kept()
{
    on A shows_notes "$a_text" "$(conflict_heading PCB)|$b_text" ||
        on A shows_notes "$b_text" "$(conflict_heading "$host")|$a_text" || return 1
    copies_agree
}
check "when the folder is back, both copies keep both changes, the other as a note naming its PC" \
    wait_until 20 both_kept
screen_shows sync-conflict
count=$(on A note_texts | wc -l)

# kill -9 mid-way: B, right after its store has a new note.
check "B: a new note typed" on B new_note_typed "before the kill"
wait_until 10 on B holds_text "before the kill"
on B kill_copy
on B start_copy
check "B, killed with -9 and started again, and A hold the new note once, nothing lost or doubled" \
    wait_until 20 eval 'on A holds_text "before the kill" && copies_agree && [ "$(on A note_texts | wc -l)" = $((count + 1)) ]'

# Each copy its own folder; this script is the sync tool between them.
check "SIGTERM ends A" on A stop_copy
mkdir -p "$work/folder-A" "$work/folder-B"
sqlite3 "$work/A/zu_daviv.db" "update zu_sync_setting set value = '$work/folder-A' where key = 'folder'"
on A start_copy
check "B: 同期フォルダ..., 別のフォルダ(&F)... and its own folder" on B choose_sync_folder -o "$work/folder-B"
check "B's store keeps the folder" wait_until 10 on B setting_is folder "$work/folder-B"
check "each copy writes its file into its own folder" \
    wait_until 10 eval '[ -n "$(on A own_file "$work/folder-A")" ] && [ -n "$(on B own_file "$work/folder-B")" ]'
check "once the tool has carried the files, the copies agree, nothing doubled" wait_until 30 caught_up
count=$(on A note_texts | wc -l)

# Both make a note; A changes its own again; the tool has carried nothing yet.
check "A: a new note typed" on A new_note_typed "relay A"
a_note=$NEW_ID
a_file=$(on A own_file "$work/folder-A")
a_name=$(basename "$a_file")
check "A's file holds it" wait_until 15 file_has "$a_file" "relay A"
keep_version "$a_file" first
check "A changes it" on A types_into "$a_note" " again"
check "A's file holds the change" wait_until 15 file_has "$a_file" "relay A again"
keep_version "$a_file" second
check "B: a new note typed" on B new_note_typed "relay B"
check "nothing of A's reached B" \
    wait_until 10 eval 'on B holds_text "relay B" && ! on B holds_text "relay A again" && ! on B holds_text "relay A"'

# Into B's folder: a conflict copy of the tool's own naming, then A's newer file cut short under
# its name, later whole; then the older file after the newer one.
carry "$carried/first" "$work/folder-B" "${a_name%.zusync} (conflicted copy).zusync"
carry "$carried/second" "$work/folder-B" "$a_name" $(($(stat -c %s "$carried/second") / 2))
check "B passes over A's file while it is cut short" \
    wait_until 15 grep -q "sync file $a_name passed over" "$work/B.log"
check "and takes nothing from it or the conflict copy" \
    eval 'on B holds_text "relay B" && ! on B holds_text "relay A" && ! on B holds_text "relay A again"'
carry "$carried/second" "$work/folder-B" "$a_name"
check "once A's file is whole, B shows A's note as changed" \
    wait_until 15 eval 'on B holds_text "relay A again" && [ "$(on B note_texts | wc -l)" = $((count + 2)) ]'
carry "$carried/first" "$work/folder-B" "$a_name"
sleep 3 # the older file has arrived: B stays as it is while it reads it
check "the older file arriving late takes nothing back" \
    eval 'on B holds_text "relay A again" && ! on B holds_text "relay A" && [ "$(on B note_texts | wc -l)" = $((count + 2)) ]'
check "once the tool has caught up, both copies hold both notes once" \
    wait_until 30 eval 'caught_up && on A holds_text "relay A again" && on A holds_text "relay B" &&
                        [ "$(on A note_texts | wc -l)" = $((count + 2)) ]'

# kill -9 of A right after its store has a new note; the tool carries on.
check "A: a new note typed" on A new_note_typed "relay kill"
wait_until 10 on A holds_text "relay kill"
on A kill_copy
on A start_copy
check "A, killed with -9 and started again: once the tool has caught up, the note is on both, once" \
    wait_until 30 eval 'caught_up && on B holds_text "relay kill" && [ "$(on B note_texts | wc -l)" = $((count + 3)) ]'
screen_shows sync-relay
check "SIGTERM ends A" on A stop_copy
check "SIGTERM ends B" on B stop_copy

finish
