#!/usr/bin/env bash
# Resident memory after start-up and CPU time while idle of the real program, on a virtual X
# display (Xvfb with a tray host, the xcb platform), in a scratch folder whose zu_daviv.db
# holds 1, then 100 open notes. Target: idle CPU under 0.05 % of one core. Beside it, over the
# same span, runs bench/idle_floor of the same build folder: a window and a one-second timer
# that reads the cursor, what the event loop and the window system cost at rest.
#   idle_bench.sh <zufusen binary> [seconds]   the idle span, 60 s unless given
set -uo pipefail
if [ $# -lt 1 ]; then
    echo "usage: idle_bench.sh <zufusen binary> [seconds]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/../tests/e2e/display.sh"

binary=$(realpath "$1")
seconds=${2:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/zu-idle.XXXXXX")
mkdir -p -m 700 "$work/runtime"
# As in the end-to-end check: the program sees only the virtual display.
export LC_ALL=C.UTF-8 XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER

floor_binary=$(dirname "$binary")/bench/idle_floor
pid=""
floor_pid=""
declare -A rest floor_at
cleanup()
{
    end_process "$floor_pid" 5
    end_process "$pid" 10
    stop_virtual_display
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_display "$work" || exit 1
ticks_per_second=$(getconf CLK_TCK)

# utime + stime of process $1, in clock ticks.
cpu_ticks()
{
    local stat
    stat=$(<"/proc/$1/stat")
    # Fields after the command name, which sits in parentheses and may hold spaces.
    read -r -a fields <<<"${stat##*) }"
    echo $((fields[11] + fields[12]))
}

# Time on a CPU of every thread of process $1, in nanoseconds: finer than the clock ticks.
cpu_ns()
{
    local sum=0 ns _
    for task in /proc/"$1"/task/*/schedstat; do
        read -r ns _ <"$task" && sum=$((sum + ns))
    done
    echo "$sum"
}

rss_kb()
{
    awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"
}

# A store of $1 open notes, written with the program's own table layout.
fill_store()
{
    local db=$1 count=$2 i
    {
        echo "create table m_daviv ([f_day] DATE, [note] BLOB, [xpos] INT, [ypos] INT, [width] INT, [height] INT," \
            "[term] BOOL, [visible] BOOL, [color] INT, [alpha] INT);"
        echo "create table m_icom_message ([itime] Time, [message] Text, [iday] Date);"
        echo "begin;"
        for ((i = 0; i < count; i++)); do
            echo "insert into m_daviv values ('2026/12/09', 'note $i' || char(13, 10) || 'https://example.com/$i' ||" \
                "char(13, 10), $((20 + i * 37 % 700)), $((20 + i * 53 % 500)), 271, 71, -1, -1, 8454143, 200);"
        done
        echo "commit;"
    } | sqlite3 "$db"
}

echo "== idle_bench: the real program at rest ($QT_QPA_PLATFORM on Xvfb $DISPLAY, ${seconds} s idle)"
for notes in 1 100; do
    app=$work/app-$notes
    mkdir -p "$app"
    cp "$binary" "$app/zufusen"
    fill_store "$app/zu_daviv.db" "$notes"
    (cd "$app" && exec ./zufusen) >"$work/zufusen-$notes.log" 2>&1 &
    pid=$!
    notes_back() { [ "$(program_windows | wc -l)" -ge "$notes" ]; }
    if ! wait_until 30 notes_back; then
        echo "idle_bench: the $notes notes did not come back; see the log:" >&2
        cat "$work/zufusen-$notes.log" >&2
        exit 1
    fi
    if [ -x "$floor_binary" ]; then
        "$floor_binary" >"$work/floor.log" 2>&1 &
        floor_pid=$!
    fi
    # Start-up is over: the restore ran at the first tick and the windows are painted.
    sleep 2
    rss=$(rss_kb "$pid")
    # At rest: a few seconds after their drawing the notes give up the copies of their pixels,
    # which they share with the X server.
    at_rest() { [ "$(shared_pixels_kb "$pid")" -lt 100 ]; }
    wait_until 20 at_rest || echo "idle_bench: the notes still keep their pixels" >&2
    before=$(cpu_ticks "$pid")
    before_ns=$(cpu_ns "$pid")
    if [ -n "$floor_pid" ]; then
        floor_rss=$(rss_kb "$floor_pid")
        floor_before_ns=$(cpu_ns "$floor_pid")
    fi
    start_ns=$(date +%s%N)
    sleep "$seconds"
    after=$(cpu_ticks "$pid")
    after_ns=$(cpu_ns "$pid")
    elapsed_ns=$(($(date +%s%N) - start_ns))
    rss_after=$(rss_kb "$pid")
    awk -v n="$notes" -v rss="$rss" -v rss2="$rss_after" -v t=$((after - before)) -v hz="$ticks_per_second" \
        -v ns="$elapsed_ns" -v run=$((after_ns - before_ns)) 'BEGIN {
            cpu = t / hz; span = ns / 1e9; pct = 100 * cpu / span
            printf "  %-56s %8.1f MB (at rest, after the idle span: %.1f MB)\n", sprintf("resident memory after start-up, %d notes", n), rss / 1024, rss2 / 1024
            printf "  %-56s %.2f s in %.0f s = %.4f %% of a core (one clock tick: %.4f %%), target < 0.05 %%: %s\n", sprintf("idle CPU (utime+stime), %d notes", n), cpu, span, pct, 100 / hz / span, (pct < 0.05 ? "met" : "MISSED")
            printf "  %-56s %.1f ms in %.0f s = %.4f %% of a core\n", sprintf("idle CPU (schedstat, all threads), %d notes", n), run / 1e6, span, 100 * run / ns
        }'
    if [ -n "$floor_pid" ]; then
        floor_after_ns=$(cpu_ns "$floor_pid")
        awk -v rss="$floor_rss" -v run=$((floor_after_ns - floor_before_ns)) -v ns="$elapsed_ns" -v prog=$((after_ns - before_ns)) 'BEGIN {
            printf "  %-56s %8.1f MB\n", "floor (idle_floor): resident memory", rss / 1024
            printf "  %-56s %.1f ms = %.4f %% of a core; program / floor %.2fx\n", "floor (idle_floor): CPU over the same span", run / 1e6, 100 * run / ns, (run > 0 ? prog / run : 0)
        }'
        end_process "$floor_pid" 5
        floor_pid=""
    fi
    end_process "$pid" 10
    pid=""
    rest[$notes]=$rss_after
    [ -n "${floor_rss:-}" ] && floor_at[$notes]=$floor_rss
done
# At rest: one note against the bare window, and what each further note adds.
awk -v one="${rest[1]}" -v hundred="${rest[100]}" -v floor="${floor_at[1]:-0}" 'BEGIN {
    if (floor > 0)
        printf "  %-56s %.2fx, target <= 1.3x: %s\n", "at rest, 1 note / floor", one / floor, (one / floor <= 1.3 ? "met" : "MISSED")
    per = (hundred - one) / 99
    printf "  %-56s %.0f KB, target <= 100 KB: %s\n", "at rest, each further note", per, (per <= 100 ? "met" : "MISSED")
}'
exit 0
