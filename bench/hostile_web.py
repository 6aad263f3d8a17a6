#!/usr/bin/env python3
"""Hostile traffic against the browser remote of a running display machine.

    hostile_web.py PORT [SECONDS] [SEED]

Several clients at once send, on 127.0.0.1:PORT: random and mutated request heads,
over-long heads and bodies, bodies that never end, random JSON with every command
identifier and random operands, pipelined requests, WebSocket handshakes (whole and
partial) followed by random frames, and connections cut at a random point. A probe asks
for /api/state every 0.5 s; the display counts as hung when it does not answer within 5 s.
Prints what was sent and the probe's answer times; exits 1 when the probe failed.
"""
import json
import os
import random
import socket
import sys
import threading
import time

COMMANDS = [
    "CmdMessage", "CmdWallpaper", "CmdDirListGet", "CmdDirListReceive", "CmdWebUpdateList",
    "CmdTextUpdateList", "CmdLineUpdate", "CmdTimingUpdate", "CmdFontUpdate", "CmdSettingsLoad",
    "CmdIptalkPosition", "CmdScreenAdjust", "CmdFileSetLoad", "CmdIptalkHide", "CmdPartUpdate",
    "CmdListSend", "CmdPartsLoadShow", "CmdPartsInfo", "CmdPartsClear", "CmdLineUpdateStop",
    "CmdDebugLog", "CmdIptalkShow", "CmdStretch", "CmdDirChange", "CmdDirNameGet", "CmdAspect",
    "CmdPartValuesLoad", "CmdFontRequest", "CmdFontSend", "CmdFadeSetting", "CmdFade",
    "CmdPptNext", "CmdPptStop", "CmdPptStart", "CmdPptPageUp", "CmdPptPageDown", "CmdPptWidth",
    "CmdFadeImage", "CmdDirListSend", "CmdDirListReply", "CmdMirrorId", "CmdSpeedUp",
    "CmdHideDisplay", "CmdCpuLoadRequest", "CmdCpuLoadReply", "CmdWorksheetLoad",
    "CmdPartsHide", "CmdPartsShow", "CmdPartsLoadHidden", "CmdWorksheetSend",
    "CmdWorksheetReceive", "CmdChromaKey", "CmdFileListDone", "CmdFramePosition",
    "CmdCaptionPosition",
]
# Saving settings over the test folder's files is left out: it would only test the disk.
PATHS = ["/", "/index.html", "/app.js", "/style.css", "/api/state", "/api/packet",
         "/api/script", "/api/screen.jpg", "/ws", "/api/", "/../../etc/passwd", "/%00", "/a" * 50]
METHODS = ["GET", "POST", "PUT", "DELETE", "HEAD", "OPTIONS", "PATCH", "G\x00T", "POSTPOSTPOST"]
NUMBERS = ["0", "-1", "255", "256", "2147483647", "-2147483648", "99999999999999999999", "1e9",
           "0x10", " 1", "1 ", ""]

counts = {}
lock = threading.Lock()


def count(what):
    with lock:
        counts[what] = counts.get(what, 0) + 1


def rand_text(r, n):
    alphabet = "aZ09 ,.\\/:%\"'<>&;\t\u3042\u8868\u30bd\u80fd\u5341\U0001F600\u00e9\r\n\x00"
    return "".join(r.choice(alphabet) for _ in range(n))


def rand_operand(r):
    kind = r.random()
    if kind < 0.3:
        return r.choice(NUMBERS)
    if kind < 0.5:
        return ",".join(rand_text(r, r.randint(0, 5)) for _ in range(r.randint(0, 6)))
    if kind < 0.6:
        return r.randint(-10**12, 10**12)
    if kind < 0.65:
        return {"nested": [1, 2]}
    if kind < 0.7:
        return "x" * r.randint(200, 400)
    return rand_text(r, r.randint(0, 40))


def packet_body(r):
    body = {"command": r.choice(COMMANDS + ["", "Cmd", "cmdlineupdate", 42, None]),
            "operand": rand_operand(r)}
    if r.random() < 0.1:
        del body["operand"]
    text = json.dumps(body, ensure_ascii=r.random() < 0.5)
    if r.random() < 0.1:
        text = text[: r.randint(0, len(text))]
    return text.encode("utf-8", "surrogatepass")


def head(r, method, path, body_len, extra=b""):
    lines = [("%s %s HTTP/1.1" % (method, path)).encode("latin-1", "replace"),
             b"Host: 127.0.0.1"]
    if body_len is not None:
        lines.append(b"Content-Length: %d" % body_len)
    if r.random() < 0.1:
        lines.append(b"Transfer-Encoding: chunked")
    if r.random() < 0.05:
        lines.append(b"X-Long: " + b"a" * r.randint(1000, 40000))
    if r.random() < 0.05:
        lines.append(b"Expect: 100-continue")
    if r.random() < 0.05:
        lines.append(b"Origin: http://evil.example")
    if r.random() < 0.05:
        lines.append(b"Host: evil.example")
    return b"\r\n".join(lines) + b"\r\n" + extra + b"\r\n"


def connect(port):
    s = socket.create_connection(("127.0.0.1", port), timeout=5)
    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return s


def drain(s, r):
    s.settimeout(r.choice([0.01, 0.1, 1.0]))
    try:
        while s.recv(65536):
            pass
    except OSError:
        pass


def one_request(port, r):
    s = connect(port)
    try:
        kind = r.random()
        if kind < 0.45:
            body = packet_body(r)
            data = head(r, "POST", "/api/packet", len(body)) + body
            count("packet")
        elif kind < 0.55:
            body = os.urandom(r.randint(0, 3000))
            data = head(r, "POST", r.choice(["/api/script", "/api/script?encoding=utf-8"]),
                        len(body)) + body
            count("script")
        elif kind < 0.65:
            data = head(r, r.choice(METHODS), r.choice(PATHS), r.choice([None, 0, 10]))
            count("random head")
        elif kind < 0.7:
            data = os.urandom(r.randint(1, 2000))
            count("garbage")
        elif kind < 0.75:
            data = head(r, "POST", "/api/packet", r.choice([65537, 10**6, 10**12]))
            count("over-long body")
        elif kind < 0.8:
            body = packet_body(r)
            one = head(r, "POST", "/api/packet", len(body)) + body
            data = one * r.randint(2, 5)
            count("pipelined")
        elif kind < 0.9:
            extra = b"Upgrade: websocket\r\n"
            if r.random() < 0.8:
                extra += (b"Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                          b"Sec-WebSocket-Version: 13\r\n")
            data = head(r, "GET", r.choice(["/ws", "/ws?key=x", "/nows"]), None, extra)
            data += os.urandom(r.randint(0, 4000))
            count("websocket")
        else:
            body = packet_body(r)
            data = head(r, "POST", "/api/packet", len(body) + 100) + body
            count("unfinished body")
        if r.random() < 0.2:
            data = data[: r.randint(1, len(data))]
            count("cut")
        s.sendall(data)
        if r.random() < 0.1:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            count("reset")
            return
        drain(s, r)
    except OSError:
        count("socket error")
    finally:
        s.close()


def client(port, seed, end):
    r = random.Random(seed)
    while time.time() < end:
        try:
            one_request(port, r)
        except OSError:
            count("connect failed")
            time.sleep(0.05)


def probe(port, end, times, failures):
    while time.time() < end:
        t = time.time()
        try:
            s = connect(port)
            s.sendall(b"GET /api/state HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            s.settimeout(5)
            answer = s.recv(64)
            s.close()
            if answer.startswith(b"HTTP/1.1 200") or answer.startswith(b"HTTP/1.1 503"):
                times.append((time.time() - t) * 1000)
            else:
                failures.append(answer[:40])
        except OSError as e:
            failures.append(str(e))
        time.sleep(0.5)


def main():
    port = int(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 60
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    end = time.time() + seconds
    threads = [threading.Thread(target=client, args=(port, seed * 100 + i, end)) for i in range(8)]
    times, failures = [], []
    threads.append(threading.Thread(target=probe, args=(port, end, times, failures)))
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    times.sort()
    total = sum(v for k, v in counts.items() if k not in ("cut", "reset", "socket error"))
    print("requests sent: %d  %s" % (total, json.dumps(counts, ensure_ascii=False, sort_keys=True)))
    if times:
        print("probe /api/state: %d answers, p50 %.1f ms, max %.1f ms" %
              (len(times), times[len(times) // 2], times[-1]))
    if failures:
        print("probe failures: %d, first %r" % (len(failures), failures[0]))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
