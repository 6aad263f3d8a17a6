#!/bin/bash
# Starts a zul display machine in a fresh folder of pictures, a PDF and content files (plus
# FIFOs, devices, symlinks and folders under the names of content files) and runs
# hostile_traffic.py against it for SECONDS. Run it inside tests/isolated.sh so that nothing
# leaves the loopback:
#   tests/isolated.sh bench/hostile_campaign.sh build/zul 300 [traffic options...]
# Leaves the folder, the program's error output (sanitizer reports) and zul_dbg.log in
# $ZUL_CAMPAIGN_DIR (default: a new folder under /tmp), and prints the traffic's counts.
set -eu
zul=$(readlink -f "$1")
seconds=$2
shift 2
here=$(dirname "$(readlink -f "$0")")
demo="$here/../demo"
top=${ZUL_CAMPAIGN_DIR:-$(mktemp -d /tmp/zul-campaign.XXXXXX)}
base="$top/base"
mkdir -p "$base/sub"
port=${ZUL_CAMPAIGN_PORT:-31000}

cp "$demo"/*.jpg "$demo"/program.pdf "$demo"/demo.rp1 "$demo"/demo.rv1 "$demo"/demo.csv \
   "$demo"/captions.txt "$base/"
cp "$demo"/demo1.jpg "$base/pic1.jpg"
printf 'demo1.jpg\r\ndemo2.jpg\r\nprogram.pdf\r\ndemo.rp1\r\nlist.rf1\r\n' > "$base/web.rw1"
printf '[FileSet]\r\nBackGround=demo3.jpg\r\nTextFile=captions.txt\r\nFlowParts=demo.rp1\r\nPartsValue=demo.rv1\r\nCSVFile=demo.csv\r\n' > "$base/list.rf1"
printf '[FileSet]\r\nBackGround=loop.rw1\r\nTextFile=loop.rf1\r\nSettingFile=loop.rf1\r\nFlowParts=loop.rf1\r\nPartsValue=loop.rf1\r\nCSVFile=loop.rf1\r\n' > "$base/loop.rf1"
printf 'loop.rf1\r\nloop.rw1\r\ndemo2.jpg\r\n' > "$base/loop.rw1"
# The links lead to devices and a password file of the campaign's own: a writer that went
# through a link would replace those, never the machine's /dev/zero or /etc/passwd.
if [ "$(id -u)" = 0 ]; then
  mknod -m 666 "$top/zero" c 1 5
  mknod -m 666 "$top/ptmx" c 5 2
else
  mkfifo "$top/zero" "$top/ptmx"
fi
cp /etc/passwd "$top/passwd"
for ext in csv txt rd1 rp1 rv1 rf1 rw1 jpg; do
  mkfifo "$base/fifo.$ext"
  ln -s "$top/zero" "$base/zero.$ext"
done
ln -s "$top/ptmx" "$base/ptmx.csv"
ln -s "$top/passwd" "$base/passwd.txt"
ln -s / "$base/root.rp1"
mkdir -p "$base/dir.csv" "$base/dir.jpg"

settings() {
  printf '[Server]\r\nPort=%s\r\nBaseDir=%s\r\nStretch=1\r\nHideDisp=0\r\n' "$port" "$base"
  printf '[Font]\r\nFontSize=32\r\nFColor=16777215\r\nBColor=8388608\r\nScroll=0\r\nHidden=0\r\n'
  printf '[Window]\r\nTop=0\r\nLeft=0\r\nWidth=1024\r\nHeight=768\r\n'
  printf '[IPtalk]\r\nNoTouch=1\r\n[Mirror]\r\nMirrorRun=0\r\n'
}
settings > "$base/sane.rd1"
{ settings; printf '[RUN]\r\nServerNow=1\r\n'; } > "$base/startup.rd1"

cd "$base"
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:new_delete_type_mismatch=0:abort_on_error=1}
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
QTWEBENGINE_DISABLE_SANDBOX=1
export ASAN_OPTIONS UBSAN_OPTIONS QT_QPA_PLATFORM QTWEBENGINE_DISABLE_SANDBOX
"$zul" 2> "$top/zul-stderr.txt" &
pid=$!
# Until the display listens.
i=0
while ! (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; do
  i=$((i + 1))
  if [ $i -gt 600 ] || ! kill -0 $pid 2>/dev/null; then
    echo "zul did not start listening on $port" >&2
    cat "$top/zul-stderr.txt" >&2
    exit 2
  fi
  sleep 0.1
done
status=0
python3 "$here/hostile_traffic.py" --port "$port" --dir "$base" --pid $pid \
  --seconds "$seconds" --stack-dir "$top" "$@" > "$top/traffic.json" || status=$?
cat "$top/traffic.json"
if kill -0 $pid 2>/dev/null; then
  start=$EPOCHREALTIME
  kill -TERM $pid
  wait $pid || true
  echo "exit after SIGTERM: $(python3 -c "print(round($EPOCHREALTIME - $start, 3))") s"
else
  wait $pid || true
  echo "zul had ended" >&2
  status=1
fi
for node in zero ptmx; do
  if [ ! -c "$top/$node" ] && [ ! -p "$top/$node" ]; then
    echo "the link $node.* was written through: $top/$node is no longer a device" >&2
    status=1
  fi
done
echo "folder: $top"
if grep -q -E 'ERROR: AddressSanitizer|runtime error' "$top/zul-stderr.txt"; then
  echo "sanitizer reports:" >&2
  grep -E 'ERROR: AddressSanitizer|runtime error' "$top/zul-stderr.txt" | sort | uniq -c >&2
  status=1
fi
exit $status
