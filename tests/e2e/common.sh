# shellcheck shell=bash
# What both passes of the end-to-end check share: the work folder, the program, checks and their
# report, and what they read of the screen and the store. Sourced with the pass's arguments:
# <zufusen binary> <work folder>; screenshots go to <work>/shots.
if [ $# -ne 2 ]; then
    echo "usage: $(basename "$0") <zufusen binary> <work folder>" >&2
    exit 2
fi

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
# shellcheck source-path=SCRIPTDIR source=../check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../check.sh"

cleanup()
{
    [ -f "$db" ] && chattr -i "$db" 2>/dev/null
    end_process "$ZU_PID" 10
    declare -F stop_desktop >/dev/null && stop_desktop
    stop_virtual_display
}
trap cleanup EXIT
trap 'exit 130' INT TERM

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

# ends_with <code> <action...>: the running program, given the action, ends within 10 s with that
# exit code. It is ended in any case, so that the next start finds no running copy.
ends_with()
{
    local want=$1 status
    shift
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
    [ "$status" -eq "$want" ] && return 0
    DETAIL="exit code $status"
    return 1
}

ends_after()
{
    ends_with 0 "$@"
}

signal_program()
{
    kill -"$1" "$ZU_PID"
}

# Gives the shown window $1 the focus as a person does: a click just inside its top-left corner,
# on its margin, where no control is.
click_window()
{
    local X Y
    [ -n "$1" ] && eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)" && [ -n "${X:-}" ] || {
        DETAIL="no such window is shown"
        return 1
    }
    xdotool mousemove $((X + 3)) $((Y + 3)) click 1
    wait_until 10 focused "$1" && return 0
    DETAIL="a click on window $1 does not give it the focus"
    return 1
}

click_palette()
{
    click_window "$(palette_id)"
}

# A palette shortcut ($1), with the palette shown at the top-left corner and clicked.
press_on_palette()
{
    xdotool mousemove 0 0
    wait_until 10 palette_at "0 0 269 79" || return 1
    click_palette || return 1
    xdotool key "$1"
}

press_ctrl_x_on_palette()
{
    press_on_palette ctrl+x
}

note_list_shown()
{
    x_query xdotool search --onlyvisible --name '^付箋一覧$' >/dev/null
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

# The program's notes hold no copy of their pixels (shared with the X server) while idle.
pixels_given_up()
{
    alive || return
    local shared
    shared=$(shared_pixels_kb "$ZU_PID")
    DETAIL="${shared} kB of pixels still kept"
    [ "${shared:-0}" -lt 100 ]
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

# A menu of the program is open: a mapped override-redirect window of its own on the root (menus
# bypass any window manager).
menu_shown()
{
    local w
    for w in $(x_query xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
        xprop -id "$w" WM_CLASS 2>/dev/null | grep -q '"zufusen"' || continue
        xwininfo -id "$w" -all 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && return 0
    done
    return 1
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
    query_is "note hex" "select lower(hex(note)) from m_daviv where rowid = $1" "$2"
}

# query_is <what> <sql> <expected>: the query gives what is expected; DETAIL names what it gave.
query_is()
{
    local seen
    seen=$(sql "$2")
    [ "$seen" = "$3" ] && return 0
    DETAIL="$1: '$seen'"
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

# --- typing ----------------------------------------------------------------------------

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

# key_makes_focused_note <keys>: the keys, pressed wherever the focus is, show one note more, and
# that note takes the keyboard focus; NEW_NOTE is its "X Y W H".
key_makes_focused_note()
{
    local before
    alive || return
    before=$(note_places)
    xdotool key "$1"
    wait_until 30 one_more_note "$before" || return 1
    # A window manager under load may take its time to hand over the focus.
    wait_until 30 focused "$(note_id_at "$NEW_NOTE")" && return 0
    DETAIL="the note at $NEW_NOTE is not focused, but $(xdotool getwindowfocus getwindowname 2>&1)"
    return 1
}

one_more_note()
{
    alive || return
    NEW_NOTE=$(note_places | grep -vxF -f <(printf '%s\n' "$1"))
    [ -n "$NEW_NOTE" ] && [ "$(wc -l <<<"$NEW_NOTE")" = 1 ] && return 0
    DETAIL="notes: $(note_places | tr '\n' ',')"
    return 1
}

killed_after()
{
    sleep "$1"
    kill -KILL "$ZU_PID"
    wait "$ZU_PID" 2>/dev/null
    ZU_PID=""
}

# The summary line; fails when any check failed.
finish()
{
    echo "screenshots in $shots; took $((($(now_ms) - started) / 1000)) s"
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
