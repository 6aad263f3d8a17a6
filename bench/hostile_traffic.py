#!/usr/bin/env python3
"""Hostile traffic against a running zul display machine over the loopback.

Sends, for as long as asked, random and mutated packets of every command byte 30..85,
short connections cut mid-packet, connections reset (SO_LINGER 0), a client that asks for
the log and never reads, UDP datagrams of every kind, and hostile content files (settings,
parts, values, file sets, web lists, worksheets, text lists) loaded through the commands.
A probe asks for the processor load every few seconds and counts the program as hung when
no answer comes within --hang-seconds. With DISPLAY set and --paint, a caption is sent
every few seconds and the root window is grabbed to check that the screen still changes.

Usage: hostile_traffic.py --port P --dir BASEDIR --pid PID [--seconds N] [--seed S]
                          [--rss-file F] [--paint]
Prints the counts as one JSON object at the end; exit status 1 when the program died,
hung or stopped painting.
"""
import argparse
import ctypes
import ctypes.util
import hashlib
import json
import os
import random
import socket
import struct
import sys
import threading
import time

LIMITS = [b"2147483647", b"-2147483648", b"-1", b"0", b"1", b"4294967296",
          b"-4294967297", b"4294967295", b"9223372036854775807", b"-9223372036854775808",
          b"99999999999999999999", b"9" * 300, b"-" + b"9" * 300, b"+", b"-", b"",
          b"0x7fffffff", b"1e308", b"nan", b" 12", b"255", b"256", b"65535", b"65536",
          b"8192", b"8193", b"-8193", b"1000", b"1001", b"-1001"]

# Number layouts of the commands that read numbers ('#' a number field).
LAYOUTS = {
    37: b"#,#,#,#", 38: b"# # # # # # name", 40: b"# # # # # #", 41: b"# #", 84: b"# #",
    52: b"#", 55: b"#", 59: b"#,#", 60: b"#", 66: b"#", 72: b"#", 73: b"#", 82: b"#,#",
    85: b"#", 71: b"#,name", 80: b"# a,b,c",
}
FILE_COMMANDS = [31, 34, 35, 39, 42, 46, 49, 56, 67, 76]
HALF_CHARS = [b"\x82", b"\x81", b"\x9f", b"\xe0", b"\xfc", b"\x95", b"\x83"]
SPECIAL_NAMES = [
    b"../../etc/passwd", b"/etc/passwd", b"/dev/zero", b"/dev/ptmx", b"/dev/stdin",
    b"/dev/urandom", b"/dev/tty", b"/proc/self/mem", b"/proc/self/fd/0", b"..", b"../",
    b"fifo.csv", b"fifo.txt", b"fifo.rd1", b"fifo.rp1", b"fifo.rv1", b"fifo.rf1", b"fifo.rw1",
    b"fifo.jpg", b"zero.csv", b"zero.txt", b"zero.rd1", b"zero.rp1", b"zero.rv1", b"zero.rf1",
    b"zero.rw1", b"zero.jpg", b"ptmx.csv", b"passwd.txt", b"root.rp1", b"dir.csv",
    b"dir.jpg", b"sub/../pic1.jpg", b"sub\\..\\..\\x.rd1", b"\\\\server\\share\\a.rd1",
    b"C:\\a.rd1", b"pic1.JPG", b"PIC1.jpg", b"a\x00b.csv", b"\x00", b"*.*", b"*", b"?",
    b"sub", b"sub/", b"\x95\x5c.rd1", b"\x83\x5c.txt", b"x" * 258, b"x" * 1022,
    b"../" * 80 + b"etc/passwd", b"/" * 200, b"pic1.jpg\x00.csv", b"loop.rf1", b"loop.rw1",
]


def now():
    return time.monotonic()


class Counts:
    def __init__(self):
        self.lock = threading.Lock()
        self.c = {}

    def add(self, key, n=1):
        with self.lock:
            self.c[key] = self.c.get(key, 0) + n

    def get(self, key):
        with self.lock:
            return self.c.get(key, 0)

    def snapshot(self):
        with self.lock:
            return dict(self.c)


class Fuzzer:
    def __init__(self, args):
        self.a = args
        self.rng = random.Random(args.seed)
        self.counts = Counts()
        self.stop = threading.Event()
        self.failures = []
        self.probe_latencies = []
        self.rss = []
        self.paint_checks = 0
        self.paint_failures = 0
        self.file_serial = 0
        self.file_lock = threading.Lock()

    # ----- operands -----
    def number(self, rng):
        r = rng.random()
        if r < 0.6:
            return rng.choice(LIMITS)
        if r < 0.8:
            return str(rng.randint(-300, 3000)).encode()
        return str(rng.randint(-2**70, 2**70)).encode()

    def text(self, rng, max_len=1100):
        kind = rng.randrange(8)
        if kind == 0:
            return b""
        if kind == 1:
            return bytes(rng.choice(range(1, 256)) for _ in range(rng.randrange(max_len)))\
                .replace(b"\n", b"")
        if kind == 2:
            return "表示テスト、ソ能予十".encode("cp932") * rng.randrange(1, 60)
        if kind == 3:
            return b"a" * rng.randrange(200, 300) + rng.choice(HALF_CHARS)
        if kind == 4:
            return b"x\x00y\x00" * rng.randrange(1, 50)
        if kind == 5:
            return rng.choice(HALF_CHARS) * rng.randrange(1, 600)
        if kind == 6:
            return rng.choice(SPECIAL_NAMES)
        return b"%s,%s,%s" % (self.number(rng), self.number(rng), self.number(rng))

    def name(self, rng):
        if rng.random() < 0.6:
            return rng.choice(SPECIAL_NAMES)
        existing = self.a.known_files or [b"pic1.jpg"]
        base = rng.choice(existing)
        r = rng.random()
        if r < 0.3:
            return base
        if r < 0.5:
            return base[: rng.randrange(len(base) + 1)] + rng.choice(HALF_CHARS)
        if r < 0.7:
            return b"../" + os.path.basename(self.a.dir).encode() + b"/" + base
        return os.path.join(self.a.dir.encode(), base)

    def layout_operand(self, rng, layout):
        out = b""
        for ch in layout:
            out += self.number(rng) if ch == ord("#") else bytes([ch])
        return out

    def packet(self, rng):
        byte = rng.randrange(30, 86) if rng.random() < 0.95 else rng.choice([0, 29, 86, 200, 255])
        r = rng.random()
        if byte in LAYOUTS and r < 0.5:
            operand = self.layout_operand(rng, LAYOUTS[byte])
        elif byte in FILE_COMMANDS and r < 0.6:
            operand = self.name(rng)
        elif byte == 53 and r < 0.5:
            operand = self.text(rng, 40) + b"," + self.name(rng)
        elif byte == 71 and r < 0.8:
            operand = self.number(rng) + b"," + rng.choice(
                [b"../x", b"/tmp/x", b"sub/x", b"\x95\x5c", b"a b", b"x" * 250,
                 b"fifo", b"zero", b"dir", b"saved", b"..", b"\x82"])
        else:
            operand = self.text(rng)
        if byte in (34, 35, 39, 42, 46, 49, 56, 67, 76, 71) and rng.random() < 0.3:
            # Let the loads that really load run with some of the files of the folder.
            operand = self.existing_operand(rng, byte) or operand
        pkt = bytes([byte]) + operand
        if rng.random() < 0.1:
            pkt = self.mutate(rng, pkt)
        return pkt.replace(b"\n", b"") + b"\n"

    def existing_operand(self, rng, byte):
        ext = {31: ".jpg", 34: ".rw1", 35: ".txt", 39: ".rd1", 42: ".rf1", 46: ".rp1",
               49: ".rp1", 56: ".rv1", 67: ".jpg", 76: ".csv"}.get(byte)
        names = [n for n in self.a.known_files if ext and n.lower().endswith(ext.encode())]
        if not names:
            return None
        return rng.choice(names)

    def mutate(self, rng, pkt):
        b = bytearray(pkt)
        for _ in range(rng.randrange(1, 8)):
            op = rng.randrange(4)
            if op == 0 and b:
                b[rng.randrange(len(b))] = rng.randrange(256)
            elif op == 1:
                b.insert(rng.randrange(len(b) + 1), rng.randrange(256))
            elif op == 2 and len(b) > 1:
                del b[rng.randrange(len(b))]
            else:
                b += rng.choice(HALF_CHARS)
        return bytes(b)

    # ----- sockets -----
    def connect(self, timeout=5.0):
        s = socket.create_connection(("127.0.0.1", self.a.port), timeout=timeout)
        self.counts.add("connections")
        return s

    def drain(self, s):
        s.setblocking(False)
        try:
            while True:
                data = s.recv(65536)
                if not data:
                    return False
                self.counts.add("reply_bytes", len(data))
        except (BlockingIOError, InterruptedError):
            return True
        except OSError:
            return False
        finally:
            s.setblocking(True)

    def worker_packets(self, seed):
        rng = random.Random(seed)
        s = None
        while not self.stop.is_set():
            try:
                if s is None:
                    s = self.connect()
                    s.settimeout(5.0)
                burst = b"".join(self.packet(rng) for _ in range(rng.randrange(1, 20)))
                # Sometimes split a packet over several writes.
                if rng.random() < 0.2 and len(burst) > 2:
                    cut = rng.randrange(1, len(burst))
                    s.sendall(burst[:cut])
                    time.sleep(0.01)
                    s.sendall(burst[cut:])
                else:
                    s.sendall(burst)
                self.counts.add("packets", burst.count(b"\n"))
                if not self.drain(s):
                    self.counts.add("closed_by_display")
                    s.close()
                    s = None
                time.sleep(self.a.pause)
            except OSError:
                self.counts.add("packet_conn_errors")
                if s is not None:
                    s.close()
                s = None
                time.sleep(0.2)

    def worker_short_connections(self, seed):
        rng = random.Random(seed)
        while not self.stop.is_set():
            try:
                s = self.connect()
                mode = rng.randrange(4)
                pkt = self.packet(rng)
                if mode == 0:
                    s.sendall(pkt[: rng.randrange(len(pkt))])  # cut mid-packet
                elif mode == 1:
                    s.sendall(pkt)
                if rng.random() < 0.5:
                    s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    self.counts.add("resets")
                else:
                    self.counts.add("short_closes")
                if mode == 1:
                    self.counts.add("packets")
                s.close()
            except OSError:
                self.counts.add("short_conn_errors")
                time.sleep(0.1)
            time.sleep(self.a.pause)

    def worker_never_reads(self, seed):
        rng = random.Random(seed)
        while not self.stop.is_set():
            try:
                s = self.connect()
                s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
                t0 = now()
                while not self.stop.is_set() and now() - t0 < 60:
                    s.sendall(b"2\n" * 20)  # CmdDebugLog, never read
                    self.counts.add("packets", 20)
                    self.counts.add("log_requests_unread", 20)
                    time.sleep(0.05 + rng.random() * 0.1)
                s.close()
            except OSError:
                # The display closes a connection that leaves too much unread.
                self.counts.add("never_reader_cut")
                time.sleep(0.5)

    def worker_udp(self, seed):
        rng = random.Random(seed)
        u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        u.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        while not self.stop.is_set():
            r = rng.random()
            kind = rng.choice([b"0", b"1", b"2", b"3", b"4", b"5", b"6", b"7", b"9", b"-1",
                               b"2147483648", b"", b"x"])
            if r < 0.3:
                operand = self.text(rng)
            elif r < 0.5:
                operand = bytes([rng.randrange(30, 86)]) + self.text(rng, 300)
            elif r < 0.6:
                operand = rng.choice([b"VL", b"DIR", b"ALL", b"vl", b"SE,host", b"se,x",
                                      b"CL,y", b"WA"])
            else:
                operand = b"\x1e" + self.text(rng)
            magic = b"ZUL" if rng.random() < 0.9 else rng.choice([b"zul", b"ZU", b"", b"XXXX"])
            sep = rng.choice([b",", b";", b" ", b""])
            d = magic + sep + kind + sep + operand + rng.choice([b"\n", b"", b"\r\n"])
            if rng.random() < 0.05:
                d = os.urandom(rng.choice([0, 1, 1023, 1024, 4096, 65507]))
            try:
                u.sendto(d[:65507], ("127.0.0.1", self.a.port))
                self.counts.add("datagrams")
            except OSError:
                self.counts.add("datagram_errors")
            time.sleep(self.a.pause / 4)

    # ----- hostile files -----
    def crlf(self, text):
        return text.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")

    def hostile_file(self, rng):
        kind = rng.choice(["rd1", "rp1", "rv1", "rf1", "rw1", "csv", "txt"])
        n = rng.choice([0, 1, 2, 400, 401, 10000, 2147483647, -1, -2147483648])
        big = rng.random() < 0.15
        if kind == "rd1":
            keys = {
                "Server": ["Stretch", "Aspect", "WallColor", "HideDisp", "Transpent"],
                "Font": ["FontSet", "FontSize", "FColor", "BColor", "Scroll", "Align", "PosTop"],
                "Form": ["FontSet", "FontSize"],
                "Window": ["Top", "Left", "Height", "Width"],
                "MainWindow": ["Top", "Left", "Height", "Width"],
                "IPtalk": ["NoTouch", "Top", "Left", "Height", "Width", "SendCh", "LoadHide"],
                "Mirror": ["Port"], "Client": ["Port", "Host"], "Run": ["ServerNow"],
            }
            # The port of this run first (the first of duplicate keys counts), so that the
            # display keeps listening and hearing where the traffic goes.
            out = b"[Server]\nPort=%d\n" % self.a.port
            for sec, names in keys.items():
                out += b"[" + sec.encode() + b"]\n"
                for k in names:
                    v = self.number(rng) if rng.random() < 0.8 else self.text(rng, 3000)
                    out += k.encode() + b"=" + v.replace(b"\r", b"") + b"\n"
            out += b"[IPtalk]\nNoTouch=1\n"
        elif kind in ("rp1", "rv1"):
            out = b"[List]\nRecordCount=%d\n" % n
            for i in range(rng.randrange(0, 450 if rng.random() < 0.2 else 30)):
                num = rng.choice([i + 1, rng.randrange(-5, 2000), 2147483647])
                out += b"[Parts-%d]\nPName=p%d\nValue=%s\n" % (num, rng.randrange(20),
                                                               self.text(rng, 300))
                for k in [b"X1", b"Y1", b"X2", b"Y2", b"width", b"height", b"FSize",
                          b"FColor", b"BColor", b"ID"]:
                    out += k + b"=" + self.number(rng) + b"\n"
                out += b"FName=" + rng.choice([b"", b"x" * 3000, b"IPAGothic"]) + b"\n"
                out += b"Through=" + rng.choice([b"\x82\xcd\x82\xa2", b"x"]) + b"\n"
        elif kind == "rf1":
            out = b"[FileSet]\n"
            for k in [b"BackGround", b"TextFile", b"SettingFile", b"FlowParts", b"PartsValue",
                      b"IPtalkFile", b"CSVFile"]:
                out += k + b"=" + self.name(rng) + b"\n"
        elif kind == "rw1":
            lines = [self.name(rng) for _ in range(rng.randrange(1, 50))]
            if big:
                lines = [b"x" * 5000] * 3000
            out = b"\n".join(lines) + b"\n"
        elif kind == "csv":
            rows = rng.choice([1, 10, 199, 200, 5000])
            cols = rng.choice([1, 10, 300])
            cell = rng.choice([b"1", b'"a,b"', b'"unterminated', b"x" * 3000, b"\x82"])
            while rows > 1 and rows * cols * (len(cell) + 1) > 8_000_000:
                rows //= 2
            out = b"\n".join(b",".join([cell] * cols) for _ in range(rows)) + b"\n"
        else:
            count = rng.choice([0, 1, 100, 100000])
            out = b"\n".join(self.text(rng, 5000) for _ in range(min(count, 200)))
            if count == 100000:
                out = b"line\n" * count
            out += b"\n"
        if rng.random() < 0.2:
            out = self.mutate(rng, out)
        with self.file_lock:
            self.file_serial += 1
            name = b"h%05d.%s" % (self.file_serial % 200, kind.encode())
        with open(os.path.join(self.a.dir.encode(), name), "wb") as f:
            f.write(self.crlf(out))
        self.counts.add("files")
        self.counts.add("file_bytes", len(out))
        return kind, name

    def worker_files(self, seed):
        rng = random.Random(seed)
        loader = {"rd1": 39, "rp1": rng.choice([46, 49]), "rv1": 56, "rf1": 42, "rw1": 34,
                  "csv": 76, "txt": 35}
        sane = os.path.join(self.a.dir.encode(), b"sane.rd1")
        s = None
        while not self.stop.is_set():
            try:
                if s is None:
                    s = self.connect()
                kind, name = self.hostile_file(rng)
                byte = loader[kind] if kind != "rp1" else rng.choice([46, 49])
                pkt = bytes([byte]) + name + b"\n"
                # Back to sane settings after each hostile file (absolute: a hostile settings
                # file or a CmdDirChange with the empty key may have moved the base directory).
                pkt += b"'" + sane + b"\n"
                s.sendall(pkt)
                self.counts.add("packets", pkt.count(b"\n"))
                self.counts.add("file_loads")
                if not self.drain(s):
                    s.close()
                    s = None
            except OSError:
                self.counts.add("file_conn_errors")
                if s is not None:
                    s.close()
                s = None
            time.sleep(self.a.file_pause)

    # ----- watching -----
    def alive(self):
        try:
            with open("/proc/%d/status" % self.a.pid) as f:
                for line in f:
                    if line.startswith("State:"):
                        return "Z" not in line
        except OSError:
            return False
        return True

    def rss_kb(self):
        try:
            with open("/proc/%d/status" % self.a.pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            return None
        return None

    def probe_once(self, s, pending):
        t0 = now()
        s.sendall(b"J,\n")  # CmdCpuLoadRequest
        s.settimeout(1.0)
        while now() - t0 < self.a.hang_seconds:
            while b"\n" in pending[0]:
                line, _, rest = pending[0].partition(b"\n")
                pending[0] = rest
                if line.startswith(b"K"):
                    return now() - t0
            try:
                data = s.recv(65536)
            except socket.timeout:
                continue
            if not data:
                raise OSError("closed")
            pending[0] += data
        return None

    def worker_probe(self):
        s = None
        pending = [b""]
        while not self.stop.is_set():
            if not self.alive():
                self.failures.append("process ended at %.0f s" % (now() - self.t0))
                self.stop.set()
                return
            try:
                if s is None:
                    s = self.connect()
                    pending = [b""]
                latency = self.probe_once(s, pending)
                if latency is None:
                    self.failures.append("no CmdCpuLoadReply within %d s at %.0f s" %
                                         (self.a.hang_seconds, now() - self.t0))
                    self.counts.add("probe_timeouts")
                    self.dump_stack()
                else:
                    self.probe_latencies.append(latency)
                    self.counts.add("probes")
            except OSError as e:
                self.counts.add("probe_conn_errors")
                if self.counts.get("probe_conn_errors") > 20:
                    self.failures.append("probe cannot connect: %s" % e)
                if s is not None:
                    s.close()
                s = None
            self.stop.wait(self.a.probe_every)

    def dump_stack(self):
        """Where the program's GUI thread is, for a probe that got no answer."""
        if not self.a.stack_dir:
            return
        path = os.path.join(self.a.stack_dir, "stack-%04d.txt" % round(now() - self.t0))
        os.system("gdb -p %d -batch -ex 'thread apply 1 bt 40' > %s 2>&1" % (self.a.pid, path))

    def worker_rss(self):
        while not self.stop.is_set():
            self.rss.append((round(now() - self.t0), self.rss_kb()))
            self.stop.wait(self.a.rss_every)

    def worker_paint(self):
        grab = RootGrab()
        if not grab.ok:
            self.failures.append("paint check asked for but no X display")
            return
        s = None
        serial = 0
        while not self.stop.is_set():
            try:
                if s is None:
                    s = self.connect()
                serial += 1
                before = grab.digest()
                caption = ("塗り%05d " % serial).encode("cp932") + b"W" * (serial % 17 + 3)
                s.sendall(b"$" + caption + b"\n")  # CmdLineUpdate
                self.counts.add("packets")
                changed = False
                t0 = now()
                while now() - t0 < self.a.hang_seconds and not self.stop.is_set():
                    time.sleep(0.5)
                    if grab.digest() != before:
                        changed = True
                        break
                self.drain(s)
                self.paint_checks += 1
                if not changed and not self.stop.is_set():
                    self.paint_failures += 1
                    self.failures.append("screen did not change after a caption at %.0f s" %
                                         (now() - self.t0))
            except OSError:
                if s is not None:
                    s.close()
                s = None
            self.stop.wait(self.a.paint_every)

    def run(self):
        self.t0 = now()
        workers = [threading.Thread(target=self.worker_probe, daemon=True),
                   threading.Thread(target=self.worker_rss, daemon=True)]
        for i in range(self.a.packet_workers):
            workers.append(threading.Thread(target=self.worker_packets, args=(self.a.seed + i,),
                                            daemon=True))
        seeds = self.a.seed + 100
        if self.a.short:
            workers.append(threading.Thread(target=self.worker_short_connections,
                                            args=(seeds,), daemon=True))
        if self.a.never_reads:
            workers.append(threading.Thread(target=self.worker_never_reads,
                                            args=(seeds + 1,), daemon=True))
        if self.a.udp:
            workers.append(threading.Thread(target=self.worker_udp, args=(seeds + 2,),
                                            daemon=True))
        if self.a.files:
            workers.append(threading.Thread(target=self.worker_files, args=(seeds + 3,),
                                            daemon=True))
        if self.a.paint:
            workers.append(threading.Thread(target=self.worker_paint, daemon=True))
        for w in workers:
            w.start()
        end = self.t0 + self.a.seconds
        while now() < end and not self.stop.is_set():
            time.sleep(1)
            if self.a.progress and int(now() - self.t0) % 30 == 0:
                print(json.dumps({"t": round(now() - self.t0), **self.counts.snapshot(),
                                  "rss_kb": self.rss_kb()}), file=sys.stderr, flush=True)
        self.stop.set()
        for w in workers:
            w.join(timeout=20)
        self.rss.append((round(now() - self.t0), self.rss_kb()))
        lat = sorted(self.probe_latencies)
        report = {
            "seconds": round(now() - self.t0),
            **self.counts.snapshot(),
            "probe_latency_max_s": round(lat[-1], 3) if lat else None,
            "probe_latency_median_s": round(lat[len(lat) // 2], 3) if lat else None,
            "paint_checks": self.paint_checks,
            "paint_failures": self.paint_failures,
            "rss_kb": self.rss,
            "alive_at_end": self.alive(),
            "failures": self.failures,
        }
        print(json.dumps(report))
        return 0 if not self.failures and report["alive_at_end"] else 1


class RootGrab:
    """Digest of the X root window's pixels (through Xlib, no extra tools)."""

    def __init__(self):
        self.ok = False
        if not os.environ.get("DISPLAY"):
            return
        path = ctypes.util.find_library("X11")
        if not path:
            return
        x = ctypes.cdll.LoadLibrary(path)
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.c_void_p
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XDestroyImage = None
        self.x = x
        self.display = x.XOpenDisplay(None)
        if not self.display:
            return
        self.root = x.XDefaultRootWindow(self.display)
        self.lock = threading.Lock()
        self.ok = True

    def digest(self):
        # XImage: width, height, xoffset, format, data pointer, ..., bytes_per_line at 11.
        class XImage(ctypes.Structure):
            _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                        ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                        ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                        ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                        ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                        ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]
        with self.lock:
            img = self.x.XGetImage(self.display, self.root, 0, 0, 1280, 800, 0xFFFFFFFF, 2)
            if not img:
                return None
            im = XImage.from_address(img)
            data = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            libc = ctypes.CDLL(None)
            libc.free.argtypes = [ctypes.c_void_p]
            libc.free(im.data)
            libc.free(ctypes.c_void_p(img))
            return hashlib.sha1(data).hexdigest()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--dir", required=True)
    p.add_argument("--pid", type=int, required=True)
    p.add_argument("--seconds", type=int, default=300)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--pause", type=float, default=0.005)
    p.add_argument("--file-pause", type=float, default=0.2)
    p.add_argument("--packet-workers", type=int, default=2)
    p.add_argument("--probe-every", type=float, default=3.0)
    p.add_argument("--hang-seconds", type=int, default=15)
    p.add_argument("--rss-every", type=float, default=30.0)
    p.add_argument("--paint", action="store_true")
    p.add_argument("--paint-every", type=float, default=10.0)
    p.add_argument("--no-short", dest="short", action="store_false")
    p.add_argument("--no-never-reads", dest="never_reads", action="store_false")
    p.add_argument("--no-udp", dest="udp", action="store_false")
    p.add_argument("--no-files", dest="files", action="store_false")
    p.add_argument("--progress", action="store_true")
    p.add_argument("--stack-dir", help="where to write the GUI thread's stack on a hang")
    args = p.parse_args()
    args.known_files = sorted(n.encode() for n in os.listdir(args.dir)
                              if os.path.isfile(os.path.join(args.dir, n)))
    sys.exit(Fuzzer(args).run())


if __name__ == "__main__":
    main()
