#!/usr/bin/env bash
# Checks scripts/install in a scratch home: the program, its icon in every size, the menu entry
# and the log-in entry land where the desktop looks for them, a reinstall keeps the notes, and
# --uninstall takes all but the notes away again, the notes too with --remove-notes, and nothing
# while the program runs.
# Usage: install.sh <build folder> <work folder>
set -uo pipefail
if [ $# -ne 2 ]; then
    echo "usage: install.sh <build folder> <work folder>" >&2
    exit 2
fi

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
work=$(realpath -m "$2")
rm -rf "$work"
mkdir -p "$work/home"
export HOME=$work/home BUILD_DIR=$build
unset XDG_DATA_HOME XDG_CONFIG_HOME

# shellcheck source-path=SCRIPTDIR source=../check.sh
source "$source_dir/tests/check.sh"

install_as_user()
{
    bash "$source_dir/scripts/install" --no-build "$@" >>"$work/install.log" 2>&1
}

icons_in_every_size()
{
    local n size
    for n in 16 22 24 32 48 64 128 256; do
        size=$(identify -format '%wx%h' "$HOME/.local/share/icons/hicolor/${n}x$n/apps/zufusen.png" 2>&1)
        [ "$size" = "${n}x$n" ] || {
            echo "  ${n}x$n: $size"
            return 1
        }
    done
}

entry_runs()
{
    grep -qx "Exec=\"$2\"" "$1" && grep -qx 'Icon=zufusen' "$1" && grep -qx 'Categories=Utility;' "$1" &&
        grep -qx 'Name=ZU付箋' "$1"
}

prefix=$HOME/.local/opt/zufusen
entry=$HOME/.local/share/applications/zufusen.desktop
autostart=$HOME/.config/autostart/zufusen.desktop

check "scripts/install --autostart succeeds" install_as_user --autostart
check "the program is in ~/.local/opt/zufusen" test -x "$prefix/zufusen"
check "the icon is in the icon theme in every size from 16 to 256" icons_in_every_size
check "the menu entry runs the installed program with its icon" entry_runs "$entry" "$prefix/zufusen"
check "the log-in entry is the menu entry" cmp -s "$entry" "$autostart"

echo "notes" >"$prefix/zu_daviv.db"
check "a reinstall succeeds" install_as_user
check "a reinstall keeps the notes beside the program" grep -qx notes "$prefix/zu_daviv.db"
check "a reinstall keeps the log-in entry" cmp -s "$entry" "$autostart"

nothing_installed()
{
    ! compgen -G "$HOME/.local/share/icons/hicolor/*/apps/zufusen.png" >/dev/null &&
        [ ! -e "$prefix/zufusen" ] && [ ! -e "$entry" ] && [ ! -e "$autostart" ]
}

refused_while_running()
{
    local i
    for ((i = 0; i < 100; i++)); do
        [ "$(readlink "/proc/$1/exe")" = "$prefix/zufusen" ] && break
        sleep 0.05
    done
    ! install_as_user --uninstall && [ -e "$prefix/zufusen" ] && [ -e "$entry" ] && [ -e "$autostart" ] &&
        icons_in_every_size
}

notes_kept()
{
    grep -qx notes "$prefix/zu_daviv.db" && [ -e "$prefix/backup/zu_daviv-20260101.db" ] &&
        [ -e "$prefix/zu_daviv-unsaved-20260101-1200.txt" ]
}

mkdir "$prefix/backup"
touch "$prefix/backup/zu_daviv-20260101.db" "$prefix/zu_daviv.db.lock" "$prefix/zu_daviv-unsaved-20260101-1200.txt"
cp "$(command -v sleep)" "$prefix/zufusen" # stands in for the program while it runs
"$prefix/zufusen" 60 &
running=$!
check "--uninstall refuses while the program runs, and removes nothing" refused_while_running $running
kill $running && wait $running 2>/dev/null
check "--uninstall succeeds" install_as_user --uninstall
check "--uninstall removes the program, its icons, the menu and the log-in entry" nothing_installed
check "--uninstall keeps the notes, their backups and rescue files" notes_kept
install_as_user --uninstall --remove-notes
check "--uninstall --remove-notes removes the folder, notes and all" test ! -e "$prefix"

check "--prefix installs elsewhere" install_as_user --prefix "$work/other place"
check "the menu entry then runs the program there" entry_runs "$entry" "$work/other place/zufusen"

"$build/desktop/write_icons" ico "$work/zufusen.ico"
check "the Windows icon holds every size from 16 to 256" \
    test "$(identify -format '%w ' "$work/zufusen.ico" 2>&1)" = "16 24 32 48 64 128 256 "

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
