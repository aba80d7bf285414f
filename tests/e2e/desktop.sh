# shellcheck shell=bash
# A desktop on the virtual display of display.sh: a reparenting window manager (openbox), a
# taskbar that is also the tray host (tint2) and a compositor (xcompmgr), for checks of what a
# real desktop does to the program's windows: frames, taskbar buttons, stacking, translucency.
# Source it after display.sh. Each program gets a minimal configuration of its own, written into
# the given folder, so no user or system configuration counts.
#
# program_windows and program_docked replace display.sh's, so run.sh's checks run unchanged on
# this desktop. Things a check must allow for here:
# - The program's windows are children of frames, not of the root: they are found one level
#   below the root's children, their places through xwininfo's absolute coordinates.
# - openbox deletes _NET_WM_STATE from a window it withdraws (hide); a shown window's state is
#   what the program wrote before mapping plus what the manager adds.
# - tint2 hosts the tray (XEmbed), so trayer must not run as well: the two would take the tray
#   selection from each other. start_window_manager ends display.sh's trayer first. tint2's
#   20-pixel icon sits at 1004..1023 x 746..765, under run.sh's click at 1012,756.
# - Under xcompmgr the desktop is xcompmgr's grey (128,128,128), whatever the root's colour, and
#   a window of opacity a shows a*colour + (1-a)*128: a yellow note at 200/255 is 228,228,28.

WM_PID=""
TASKBAR_PID=""
COMPOSITOR_PID=""

# The window manager has taken the screen and says which one it is.
window_manager_ready()
{
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# The window manager that has the screen calls itself $1.
window_manager_is()
{
    local check
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*')
    [ -n "$check" ] && xprop -id "$check" _NET_WM_NAME 2>/dev/null | grep -q "= \"$1\""
}

# tint2 has mapped its panel and taken the tray: the window that owns the tray selection carries
# _NET_SYSTEM_TRAY_ORIENTATION (no command-line tool reads a selection's owner).
taskbar_ready()
{
    local w
    [ -n "$(taskbar_id)" ] || return 1
    for w in $(x_query xwininfo -root -children | awk '/^ +0x/ {print $1}'); do
        xprop -id "$w" _NET_SYSTEM_TRAY_ORIENTATION 2>/dev/null | grep -q '= ' && return 0
    done
    return 1
}

taskbar_id()
{
    x_query xdotool search --name '^tint2$' | head -1
}

# Starts openbox, then tint2 along the bottom edge: 24 px, task buttons from the left, the tray
# at the right end where trayer's icon sat (1004..1023 x 746..765 on 1024x768), so the tray
# click of run.sh lands on the icon. $1: a folder for logs and configuration.
start_window_manager()
{
    local dir=$1
    mkdir -p "$dir/openbox" "$dir/tint2"
    end_process "$TRAYER_PID" 5
    TRAYER_PID=""
    # One desktop, no margins, the stock theme; click-to-focus, new windows focused; a press
    # focuses and raises as in openbox's stock configuration. No key bindings, no menus.
    cat >"$dir/openbox/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <theme><name>Clearlooks</name><titleLayout>NLIMC</titleLayout></theme>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <keyboard></keyboard>
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Right" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
  <menu></menu>
</openbox_config>
EOF
    # Background 1 is the panel's, 2 every task button's: pure red, so that a screenshot counts
    # the buttons (taskbar_buttons). No strut: openbox must not push windows placed at the edge.
    cat >"$dir/tint2/tint2rc" <<'EOF'
rounded = 0
border_width = 0
background_color = #303030 100
border_color = #000000 0

rounded = 0
border_width = 0
background_color = #ff0000 100
border_color = #000000 0

panel_items = TS
panel_size = 100% 24
panel_margin = 0 0
panel_padding = 0 0 4
panel_background_id = 1
panel_position = bottom center horizontal
panel_layer = top
panel_monitor = all
strut_policy = none
panel_window_name = tint2
disable_transparency = 1
wm_menu = 0
taskbar_mode = single_desktop
taskbar_padding = 0 0 4
taskbar_background_id = 0
task_text = 1
task_icon = 0
task_maximum_size = 120 20
task_padding = 2 2 4
task_background_id = 2
task_active_background_id = 2
task_iconified_background_id = 2
task_urgent_background_id = 2
task_font_color = #ffffff 100
systray_padding = 0 0 2
systray_background_id = 0
systray_icon_size = 20
systray_sort = ascending
EOF
    setsid openbox --config-file "$dir/openbox/rc.xml" >"$dir/openbox.log" 2>&1 &
    WM_PID=$!
    if ! wait_until 15 window_manager_ready; then
        echo "openbox did not start; see $dir/openbox.log" >&2
        return 1
    fi
    setsid tint2 -c "$dir/tint2/tint2rc" >"$dir/tint2.log" 2>&1 &
    TASKBAR_PID=$!
    if ! wait_until 15 taskbar_ready; then
        echo "tint2 did not start; see $dir/tint2.log" >&2
        return 1
    fi
}

# xcompmgr in its default mode, which blends windows by _NET_WM_WINDOW_OPACITY (with -a the
# server composites and every window is opaque). No shadows or fades (-c, -f are off by
# default), so a pixel is the plain blend. Screenshots lag the screen by a repaint: wait or poll.
# $1: a folder for the log.
start_compositor()
{
    setsid xcompmgr >"$1/xcompmgr.log" 2>&1 &
    COMPOSITOR_PID=$!
    # xcompmgr takes _NET_WM_CM_S0 through a window it names after itself; then its first paint
    # turns the bare root (black on Xvfb) into its grey.
    wait_until 10 compositor_ready || {
        echo "xcompmgr did not start; see $1/xcompmgr.log" >&2
        return 1
    }
}

compositor_ready()
{
    running "$COMPOSITOR_PID" && x_query xdotool search --name '^xcompmgr$' >/dev/null &&
        [ "$(pixel_at 600 200)" = 128,128,128 ]
}

# "R,G,B" of the screen's pixel at $1,$2.
pixel_at()
{
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p' | head -1
}

stop_desktop()
{
    end_process "$COMPOSITOR_PID" 5
    end_process "$TASKBAR_PID" 5
    end_process "$WM_PID" 5
    COMPOSITOR_PID=""
    TASKBAR_PID=""
    WM_PID=""
}

# --- checks ------------------------------------------------------------------------------

# Visible top-level windows of the program, one "X Y W H id name" a line, as program_windows of
# display.sh gives them on a bare display. Under a window manager a managed window is a child of
# its frame, a root child: the candidates are the root's children (override-redirect windows:
# menus, tooltips, Qt's tray balloon) and theirs, with the window's absolute place; the tray
# icon, deeper inside tint2, is left out. One listing of the tree and one search for the mapped
# ones, however many windows: the checks poll this.
program_windows()
{
    local visible line indent id name w h x y
    visible=" $(x_query xdotool search --onlyvisible --class '^zufusen$' | tr '\n' ' ') "
    while IFS= read -r line; do
        [[ $line =~ ^( *)(0x[0-9a-f]+)\ \"(.*)\":\ \(\"zufusen\"\ \"zufusen\"\)\ +([0-9]+)x([0-9]+)[-+0-9]*\ +\+(-?[0-9]+)\+(-?[0-9]+)$ ]] ||
            continue
        indent=${BASH_REMATCH[1]} id=$((BASH_REMATCH[2])) name=${BASH_REMATCH[3]}
        w=${BASH_REMATCH[4]} h=${BASH_REMATCH[5]} x=${BASH_REMATCH[6]} y=${BASH_REMATCH[7]}
        # The root's children are indented by five spaces, each level below by three more.
        [ "${#indent}" -le 8 ] && [[ $visible == *" $id "* ]] && echo "$x $y $w $h $id $name"
    done < <(x_query xwininfo -root -tree)
}

# The program's tray icon sits in tint2's tray.
program_docked()
{
    local bar
    bar=$(taskbar_id)
    [ -n "$bar" ] && xwininfo -id "$bar" -tree 2>/dev/null | grep -q '"zufusen"'
}

# True when window $1 asks for a taskbar button: it is managed and its _NET_WM_STATE lacks
# _NET_WM_STATE_SKIP_TASKBAR. That is what tint2 reads; taskbar_buttons shows what it drew.
has_taskbar_entry()
{
    xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qiw "$(printf '0x%x' "$(($1))")" || return 1
    ! xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_SKIP_TASKBAR
}

# The number of task buttons tint2 shows: runs of pure red along the panel's second row, above
# the buttons' text, from a screenshot ($1: file to write).
taskbar_buttons()
{
    local bar y
    bar=$(taskbar_id)
    # xwininfo without a window waits for a click on one.
    [ -n "$bar" ] || return 1
    y=$(xwininfo -id "$bar" | awk '/Absolute upper-left Y/ {print $NF}')
    import -window root -crop "x1+0+$((y + 1))" "$1" 2>/dev/null || return 1
    convert "$1" txt:- | awk -F'[ ,:]+' '
        /#FF0000/ { if (!red) n++; red=1; next } { red=0 } END {print n+0}'
}

# "left right top bottom" of the window manager's frame around window $1 (_NET_FRAME_EXTENTS),
# and the frame window itself: the root child that holds $1 (its own id when not reparented).
frame_of()
{
    local w=$1 parent extents
    extents=$(xprop -id "$w" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
    while parent=$(xwininfo -id "$w" -tree 2>/dev/null | awk '/Parent window id/ {print $4}') &&
        [ -n "$parent" ] && [ "$((parent))" -ne "$(($(root_id)))" ]; do
        w=$parent
    done
    echo "frame $(printf '0x%x' "$((w))") extents ${extents:-none}"
}

root_id()
{
    xwininfo -root | awk '/Window id:/ {print $4}'
}

# True when window $1 is stacked above window $2: the window manager's stacking list
# (_NET_CLIENT_LIST_STACKING, bottom to top) has $1 after $2.
stacked_above()
{
    local list a b i=0 pa=-1 pb=-1 w
    list=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -o '0x[0-9a-f]*')
    a=$(($1))
    b=$(($2))
    for w in $list; do
        [ "$((w))" -eq "$a" ] && pa=$i
        [ "$((w))" -eq "$b" ] && pb=$i
        i=$((i + 1))
    done
    [ "$pa" -ge 0 ] && [ "$pb" -ge 0 ] && [ "$pa" -gt "$pb" ]
}
