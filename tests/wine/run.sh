#!/usr/bin/env bash
# The Windows build under wine on a virtual display: the program folder from a path past
# MAX_PATH and from a drive root, the input method on a real window, and the program's note
# window and tray icon, with a screenshot in <work folder>/shots.
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

name=$(basename "$program")
start_wine_gui "$work/program.log" "$program"
if ! wait_until 30 wine_window_shown "$name"; then
    echo "no window of $name appeared; see $work/program.log" >&2
    exit 1
fi
if ! wait_until 15 wine_tray_docked; then
    echo "the tray icon of $name did not dock in the tray host" >&2
    exit 1
fi
sleep 1
import -window root "$work/shots/windows.png"
echo "$name shows $(wine_windows "$name" | wc -l) window(s); screenshot $work/shots/windows.png"
