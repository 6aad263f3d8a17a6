#!/bin/sh
# Runs a test program on a virtual X server of its own (no window manager, no compositor),
# for tests that need real X11 windows and screenshots.
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$@"
