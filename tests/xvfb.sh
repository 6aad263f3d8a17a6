#!/bin/sh
# Runs a test program on a virtual X server of its own (no compositor), for tests that need
# real X11 windows and screenshots. Without a window manager by default; with --wm first,
# openbox manages the windows (stacking states such as "always on top" need one). With
# --two-screens first, the server has two X screens (1280x800 and 1024x768), which Qt lists
# as two screens, as a machine with an operator monitor and a projector.
#
# xvfb-run -a gives every server its own display number through the lock files in /tmp,
# which all network namespaces share (-displayfd would hand out :0 in each namespace, and
# the servers would fight over the one socket file /tmp/.X11-unix/X0).
export QT_QPA_PLATFORM=xcb
server="-screen 0 1280x800x24 -nolisten tcp"
if [ "$1" = --two-screens ]; then
    shift
    server="-screen 0 1280x800x24 -screen 1 1024x768x24 -nolisten tcp"
fi
case "$1" in
--wm)
    shift
    exec xvfb-run -a -s "$server" "$0" --inside-wm "$@"
    ;;
--inside-wm)
    shift
    if ! command -v openbox >/dev/null 2>&1; then
        echo "xvfb.sh: openbox is not installed (scripts/setup.sh installs it)" >&2
        exit 1
    fi
    log=$(mktemp)
    openbox --sm-disable >"$log" 2>&1 &
    wm=$!
    # Wait (at most 30 s: a loaded machine is slow to start it) until openbox has taken
    # the screen.
    tries=0
    until timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        if [ $tries -gt 300 ] || ! kill -0 $wm 2>/dev/null; then
            echo "xvfb.sh: openbox did not start:" >&2
            cat "$log" >&2
            break
        fi
        sleep 0.1
    done
    "$@"
    code=$?
    kill $wm 2>/dev/null
    wait $wm 2>/dev/null
    rm -f "$log"
    exit $code
    ;;
esac
exec xvfb-run -a -s "$server" "$@"
