#!/usr/bin/env bash
# Runs build/bench/startup_bench on a virtual X display with a tray host, as the end-to-end
# check runs the program: exec to the last note mapped with 100 and 1,000 open notes.
#   startup_bench.sh <zufusen binary> [rounds]   (BENCH_DIR: where startup_bench is, for another build)
set -uo pipefail
if [ $# -lt 1 ]; then
    echo "usage: startup_bench.sh <zufusen binary> [rounds]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$here/../tests/e2e/display.sh"

binary=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/zu-startup.XXXXXX")
mkdir -p -m 700 "$work/runtime"
export LC_ALL=C.UTF-8 XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
cleanup()
{
    stop_virtual_display
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_virtual_display "$work" || exit 1
"${BENCH_DIR:-$(dirname "$binary")/bench}/startup_bench" "$binary" "${2:-3}"
