#!/usr/bin/env bash
# Sets everything up, builds, and starts the program in the bundled demo folder, whose
# startup files it loads. Without an X display it runs under a virtual one (xvfb-run).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/demo"
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
# The demo is a display machine with its own operator console ("直接、操作する").
export ZUL_START_OPERATOR="${ZUL_START_OPERATOR:-1}"
# The demo serves the browser remote (demo/startup.rd1, section [Web]).
web_port="$(tr -d '\r' < startup.rd1 | awk -F= '/^\[/{s=$0} s=="[Web]" && $1=="Port"{print $2}')"
web_port="${web_port:-30080}"
card_address="$(hostname -I 2>/dev/null | awk '{print $1}')"
echo "run: ブラウザ操作（スマートフォン・タブレット）: http://${card_address:-127.0.0.1}:${web_port}/"
echo "run:   このPCからは http://127.0.0.1:${web_port}/"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$root/build/zul" "$@"
fi
echo "run: no display found; starting on a virtual X display (xvfb-run). Stop with Ctrl+C."
exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/zul" "$@"
