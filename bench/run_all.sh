#!/bin/sh
# Runs the live benchmarks against the real zul executable, each in a network namespace of
# its own (the display machine's UDP notices stay on the loopback):
#   bench/run_all.sh [build folder] [N ...]
# - packets end to end, offscreen and on a virtual X server: packets per second, zul's CPU
#   time per packet, resident memory, stale parts;
# - a caption line from its packet to its pixels on the screen, idle and while parts stream
#   at 100k packets per second;
# - painted frames per second while the caption scrolls, idle and while parts stream;
# - a caption line from the browser remote's page (headless Chromium) to its pixels.
# The machine's load average is printed with every figure: compare runs at a low load.
set -u
here=$(dirname "$(readlink -f "$0")")
tests="$here/../tests"
build=$(readlink -f "${1:-$here/../build}")
[ $# -gt 0 ] && shift
zul="$build/zul"
bench="$build/bench"
status=0

run() {
    echo
    echo "== $1"
    shift
    "$tests/isolated.sh" "$@" 2>&1 | grep -v -e 'does not support raise()' -e XDG_RUNTIME_DIR || true
}

uptime
run "packets end to end, offscreen" env QT_QPA_PLATFORM=offscreen "$bench/live_throughput" "$zul" "$@"
run "packets end to end, on X (xcb)" "$tests/xvfb.sh" "$bench/live_throughput" "$zul" "$@"
if [ -x "$bench/live_caption_latency" ]; then
    run "caption line to pixels, on X (xcb)" "$tests/xvfb.sh" "$bench/live_caption_latency" "$zul"
    run "painted frames, on X (xcb)" "$tests/xvfb.sh" "$bench/live_frame_rate" "$zul"
    if [ -x /usr/bin/chromedriver ]; then
        run "caption from the browser remote's page to pixels, on X (xcb)" \
            "$tests/xvfb.sh" "$bench/live_page_caption" "$zul"
    fi
else
    echo "live_caption_latency and live_frame_rate were not built (libxdamage-dev is missing)" >&2
    status=1
fi
uptime
exit $status
