# shellcheck shell=bash
# Runs the cross-built Windows exes under wine64: a private prefix in a work folder, console test
# exes with their exit status, and GUI exes on the virtual display of ../e2e/display.sh.
# Sourced by run.sh and run-exe; needs what scripts/setup --windows installs.

# shellcheck source=../e2e/display.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/display.sh"

# The 64-bit loader itself: Debian's wine wrapper would only pick it after looking for wine32.
export WINELOADER=/usr/lib/wine/wine64
# No debug chatter, and no offer to install Mono or Gecko, which would wait for a click.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE_PID=""

# Makes a wine prefix in $1/prefix unless it is there, and exports WINEPREFIX. Callers that run
# at the same time on one folder wait for the first one's wineboot.
use_wine_prefix()
{
    local dir=$1
    mkdir -p "$dir"
    export WINEPREFIX="$dir/prefix"
    (
        flock 9
        [ -f "$WINEPREFIX/.ready" ] && exit 0
        rm -rf "$WINEPREFIX"
        local start
        start=$(now_ms)
        if ! "$WINELOADER" wineboot --init >"$dir/wineboot.log" 2>&1; then
            echo "wineboot failed; see $dir/wineboot.log" >&2
            exit 1
        fi
        echo "wine prefix made in $(($(now_ms) - start)) ms: $WINEPREFIX" >&2
        touch "$WINEPREFIX/.ready"
    ) 9>"$dir/prefix.lock"
}

# Runs a console exe with its arguments in the prefix; returns the exe's exit status. The helper
# processes that wine starts with the first exe (services.exe, explorer.exe ...) inherit its
# standard error and hold it open until the wineserver ends, seconds later; a caller reading it
# through a pipe, as ctest does, would wait for them. So it goes through a file.
run_wine_exe()
{
    local errors status=0
    errors=$(mktemp)
    "$WINELOADER" "$@" 2>"$errors" || status=$?
    cat "$errors" >&2
    rm -f "$errors"
    return "$status"
}

# Starts a GUI exe in the background on $DISPLAY; its output goes to $1, the rest is the command.
start_wine_gui()
{
    local log=$1
    shift
    setsid "$WINELOADER" "$@" >"$log" 2>&1 &
    WINE_PID=$!
}

# Visible top-level windows whose class is the exe's file name ($1, such as zufusen.exe), one id a
# line: wine names the class of every window after the exe.
wine_windows()
{
    x_query xdotool search --onlyvisible --class "^$1\$"
}

wine_window_shown()
{
    [ -n "$(wine_windows "$1")" ] || { [ -n "$WINE_PID" ] && ! running "$WINE_PID" && return 3; }
}

# A tray icon sits in the tray host: wine's explorer.exe docks the icons of the prefix's programs.
wine_tray_docked()
{
    local panel
    panel=$(x_query xdotool search --name '^panel$' | head -1)
    [ -n "$panel" ] && xwininfo -id "$panel" -tree 2>/dev/null | grep -q '"explorer.exe"'
}

# Ends every process of the prefix, then the wineserver.
stop_wine()
{
    # No wineserver left (it ends a while after its last process) is not a failure.
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
    end_process "$WINE_PID" 5
    WINE_PID=""
}
