# shellcheck shell=bash
# A virtual X display (Xvfb, 1024 x 768) with a tray host (trayer) for the program to dock into,
# and the waits and look-ups its caller needs around the program. Sourced by scripts/run; needs
# the packages scripts/setup installs. Xvfb and trayer run in their own session so that a Ctrl+C
# in the terminal reaches only the caller, which ends the program first and the display after it.

XVFB_PID=""
TRAYER_PID=""

# Milliseconds since the epoch.
now_ms()
{
    local t=${EPOCHREALTIME//[.,]/}
    echo $((10#$t / 1000))
}

# Runs "$@" every 0.1 s until it succeeds; fails after $1 seconds, or at once when the command
# fails with status 3: there is nothing left to wait for.
wait_until()
{
    local deadline=$(($(now_ms) + $1 * 1000)) status
    shift
    while :; do
        "$@"
        status=$?
        [ "$status" -eq 0 ] && return 0
        [ "$status" -ne 3 ] && [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# True while process $1 runs (a finished child that was not waited for counts as ended).
running()
{
    local state
    read -r _ _ state _ 2>/dev/null <"/proc/$1/stat" || return 1
    [ "$state" != Z ]
}

ended()
{
    ! running "$1"
}

tray_host_ready()
{
    x_query xdotool search --name '^panel$' >/dev/null
}

# Starts Xvfb on a free display and trayer on it; exports DISPLAY. $1: a folder for logs.
# ZU_DISPLAY (":N") takes that display instead, for people who share a machine by display numbers.
start_virtual_display()
{
    local dir=$1
    rm -f "$dir/display"
    setsid Xvfb ${ZU_DISPLAY:-} -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset 9>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    XVFB_PID=$!
    # Xvfb writes the display number, then a newline, once it accepts clients.
    if ! wait_until 15 grep -qs '^[0-9][0-9]*$' "$dir/display"; then
        echo "Xvfb did not start; see $dir/xvfb.log" >&2
        return 1
    fi
    DISPLAY=":$(cat "$dir/display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
    setsid trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 >"$dir/trayer.log" 2>&1 &
    TRAYER_PID=$!
    if ! wait_until 15 tray_host_ready; then
        echo "trayer did not start; see $dir/trayer.log" >&2
        return 1
    fi
}

# The program's tray icon sits inside trayer's panel.
program_docked()
{
    local panel
    panel=$(x_query xdotool search --name '^panel$' | head -1)
    [ -n "$panel" ] && xwininfo -id "$panel" -tree 2>/dev/null | grep -q '"zufusen"'
}

# The kB of memory process $1 shares with the X server: the copies of its windows' pixels. Idle
# notes give theirs up; below 100 kB, none is kept.
shared_pixels_kb()
{
    awk '/^RssShmem:/ { print $2 }' "/proc/$1/status" 2>/dev/null
}

# Runs an X query ("$@": xdotool search, xwininfo -tree) to its end and prints what it found.
# Both stop at the first X error with what they had so far, and a window that goes away while
# they walk the tree (a tooltip, a frame the window manager drops, another program's window) is
# one; xdotool then says "not found" however many windows matched. Such a walk is made again, so
# that a list cut short, or none, is never taken for the whole.
x_query()
{
    local tries out status errors=${TMPDIR:-/tmp}/x_query.$BASHPID
    for ((tries = 0; tries < 50; tries++)); do
        out=$("$@" 2>"$errors")
        status=$?
        grep -q '^X Error' "$errors" || break
    done
    rm -f "$errors"
    [ -z "$out" ] || printf '%s\n' "$out"
    return "$status"
}

# Visible top-level windows of the program, one "X Y W H id name" a line: the palette and the
# notes. The tray icon is left out: it lives inside the tray host, not on the root window.
program_windows()
{
    local id w top=" "
    while read -r id _; do
        top+="$((id)) "
    done < <(x_query xwininfo -root -children | grep -E '^ +0x')
    for w in $(x_query xdotool search --onlyvisible --class '^zufusen$'); do
        [[ $top == *" $w "* ]] || continue
        # shellcheck disable=SC2034 # WINDOW and SCREEN come with the rest
        local WINDOW X="" Y WIDTH HEIGHT SCREEN
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
        [ -n "$X" ] || continue
        echo "$X $Y $WIDTH $HEIGHT $w $(xdotool getwindowname "$w" 2>/dev/null)"
    done
}

# Ends process $1 with signal $3 (TERM unless given), then with SIGKILL if it is still there
# after $2 seconds.
end_process()
{
    [ -n "$1" ] || return 0
    if running "$1"; then
        kill -"${3:-TERM}" "$1" 2>/dev/null || true
        wait_until "$2" ended "$1" || kill -KILL "$1" 2>/dev/null || true
    fi
    wait "$1" 2>/dev/null || true
}

stop_virtual_display()
{
    end_process "$TRAYER_PID" 5
    end_process "$XVFB_PID" 5
    TRAYER_PID=""
    XVFB_PID=""
}
