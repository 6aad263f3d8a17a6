#!/usr/bin/env python3
"""CPU cost of CmdPartUpdate packets in the real zul executable.

Starts build/zul (offscreen) as a display machine in a temporary start folder, loads a
parts file of --parts parts, sends --count pipelined CmdPartUpdate packets over TCP and a
trailing CmdCpuLoadRequest, waits for its answer and reads utime+stime of the zul process
from /proc/<pid>/stat before and after. Then asks for the parts list and checks that every
part holds the last value sent to it.

Usage: quick_parts_cpu.py [--zul build/zul] [--parts 400] [--count 60000] [--perf FILE]
                          [--japanese] [--console] [--aftermath SECONDS]
Run it inside tests/isolated.sh so that the UDP notices stay on this machine's loopback.
Prints one line: packets, seconds, packets/s, CPU microseconds per packet.
"""
import argparse
import os
import socket
import subprocess
import sys
import tempfile
import time

CMD_PART_UPDATE = 44
CMD_LIST_SEND = 45
CMD_PARTS_LOAD_SHOW = 46
CMD_PARTS_INFO = 47
CMD_CPU_LOAD_REQUEST = 74
CMD_CPU_LOAD_REPLY = 75


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat", "rb") as f:
        fields = f.read().rsplit(b")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime, stime


def packet(cmd, operand):
    return bytes([cmd]) + operand + b"\n"


class Replies:
    def __init__(self, sock):
        self.sock = sock
        self.pending = b""

    def until(self, last, timeout):
        packets = []
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                packets.append(line)
                if last(line):
                    return packets
            self.sock.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = self.sock.recv(1 << 16)
            except socket.timeout:
                continue
            if not chunk:
                break
            self.pending += chunk
        raise RuntimeError("no answer in time")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--zul", default=os.path.join(os.path.dirname(__file__), "..", "build", "zul"))
    ap.add_argument("--parts", type=int, default=400)
    ap.add_argument("--count", type=int, default=60000)
    ap.add_argument("--perf", help="record a perf profile of the burst into this file")
    ap.add_argument("--console", action="store_true",
                    help="the display machine runs its own operator console, as the demo does")
    ap.add_argument("--aftermath", type=float, default=0,
                    help="also report the CPU used in this many seconds after the burst")
    ap.add_argument("--japanese", action="store_true",
                    help="values in code page 932 text instead of ASCII digits")
    args = ap.parse_args()

    folder = tempfile.TemporaryDirectory()
    port = free_port()
    with open(os.path.join(folder.name, "startup.rd1"), "wb") as f:
        f.write(b"[Server]\r\nPort=%d\r\n[Client]\r\nPort=%d\r\nHost=127.0.0.1\r\n"
                b"[IPtalk]\r\nNoTouch=1\r\n[RUN]\r\nServerNow=1\r\n" % (port, port))
    parts = b"[List]\r\nRecordCount=%d\r\n" % args.parts
    for i in range(args.parts):
        parts += b"[Parts-%d]\r\nPName=p%d\r\nValue=0\r\nX1=%d\r\nY1=%d\r\nX2=20\r\nY2=60\r\n" % (
            i + 1, i, (i // 20) * 30, (i % 20) * 50)
    with open(os.path.join(folder.name, "bench.rp1"), "wb") as f:
        f.write(parts)

    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
               ZUL_START_OPERATOR="1" if args.console else "0")
    zul = subprocess.Popen([os.path.abspath(args.zul)], cwd=folder.name, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    perf = None
    try:
        deadline = time.monotonic() + 20
        while True:
            try:
                sock = socket.create_connection(("127.0.0.1", port), timeout=1)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        replies = Replies(sock)
        is_cpu = lambda p: p[:1] == bytes([CMD_CPU_LOAD_REPLY])
        sock.sendall(packet(CMD_PARTS_LOAD_SHOW, b"bench.rp1") + packet(CMD_CPU_LOAD_REQUEST, b""))
        replies.until(is_cpu, 30)
        time.sleep(0.5)

        burst = bytearray()
        last = {}
        for n in range(args.count):
            part = n % args.parts
            value = ("得点%d" % n).encode("cp932") if args.japanese else b"%d" % n
            last[b"p%d" % part] = value
            burst += packet(CMD_PART_UPDATE, b"p%d,%s,#FFFFFF,#000000" % (part, value))
        burst += packet(CMD_CPU_LOAD_REQUEST, b"")

        if args.perf:
            perf = subprocess.Popen(["perf", "record", "--call-graph", os.environ.get("PERF_CALLGRAPH", "fp"), "-o", args.perf, "-p", str(zul.pid)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
        before = cpu_seconds(zul.pid)
        start = time.monotonic()
        sock.sendall(burst)
        replies.until(is_cpu, 600)
        elapsed = time.monotonic() - start
        used = cpu_seconds(zul.pid) - before
        after = ""
        if args.aftermath > 0:
            settled = cpu_seconds(zul.pid)
            time.sleep(args.aftermath)
            after = f" aftermath_cpu_s={cpu_seconds(zul.pid) - settled:.2f}"
        if perf:
            perf.send_signal(2)
            perf.wait()

        sock.sendall(packet(CMD_LIST_SEND, b"") + packet(CMD_CPU_LOAD_REQUEST, b""))
        listed = replies.until(is_cpu, 60)
        values = {}
        for p in listed:
            if p[:1] == bytes([CMD_PARTS_INFO]):
                name, value = p[1:].split(b",")[:2]
                values[name] = value
        wrong = [n for n, v in last.items() if values.get(n) != v]
        print(f"packets={args.count} seconds={elapsed:.3f} packets_per_s={args.count / elapsed:.0f} "
              f"cpu_us_per_packet={used * 1e6 / args.count:.1f} wrong_parts={len(wrong)}{after}")
        return 1 if wrong else 0
    finally:
        zul.terminate()
        try:
            zul.wait(10)
        except subprocess.TimeoutExpired:
            zul.kill()


if __name__ == "__main__":
    sys.exit(main())
