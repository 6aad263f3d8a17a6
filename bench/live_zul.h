#pragma once

// What the live benchmarks share: the real zul executable started as a display machine in a
// fresh folder, blocking TCP connections to it, its CPU time and resident memory from
// /proc, and the packets an operator sends.

#include <sys/types.h>

#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zulbench {

using Clock = std::chrono::steady_clock;

struct LiveOptions {
    bool scroll = false;  // the caption scrolls (on) or stands (off)
    int width = 1280;
    int height = 800;
    std::uint16_t webPort = 0;  // the browser remote serves on this port (0: it does not)
};

// One zul process, ended when this goes.
class LiveZul {
public:
    // `program` is the path of the zul executable.
    LiveZul(const QString& program, const LiveOptions& options);
    ~LiveZul();
    LiveZul(const LiveZul&) = delete;
    LiveZul& operator=(const LiveZul&) = delete;

    pid_t pid() const { return static_cast<pid_t>(process_.processId()); }
    std::uint16_t port() const { return port_; }
    QString folder() const { return dir_.path(); }
    // utime + stime of every thread, in microseconds.
    double cpuMicros() const;
    // VmRSS in KiB.
    long residentKiB() const;
    bool running() const { return process_.state() == QProcess::Running; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::uint16_t port_ = 0;
};

// A blocking TCP connection to 127.0.0.1.
class Link {
public:
    explicit Link(std::uint16_t port);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    void send(const std::string& bytes);
    // Reads reply packets (without their line feeds) until `last` accepts one; throws when
    // none does within `timeoutMs`.
    std::vector<std::string> readUntil(const std::function<bool(const std::string&)>& last,
                                       int timeoutMs = 30000);

private:
    int fd_ = -1;
    std::string pending_;
};

// A TCP port on 127.0.0.1 that nothing listened on a moment ago.
std::uint16_t freePort();

// One HTTP request on a connection of its own, as a browser's fetch sends it to the browser
// remote; returns the answer's status line once it is read (the connection then closes).
std::string httpPost(std::uint16_t port, const std::string& path, const std::string& json);

// Packet builders (the command byte, the operand, a line feed).
std::string packet(int command, const std::string& operand);
// `count` CmdPartUpdate packets over the names part1..part400, values counting from `first`.
std::string partUpdates(int count, long first, int parts = 400);

// Loads 400 parts (written into the folder as bench.rp1) and waits until the list request
// answers with all of them.
void loadParts(const LiveZul& zul, Link& link, int parts = 400);
// Sends the processor load request and waits for its answer: every packet sent before it on
// `link` has been handled.
void roundTrip(Link& link, int timeoutMs = 600000);
// The parts list, as "name,caption,font colour,background colour" operands.
std::vector<std::string> listParts(Link& link);

// Sends CmdPartUpdate packets at `perSecond` on a connection of its own until stopped
// (slower when zul cannot take them: the writes block).
class PartStream {
public:
    PartStream(std::uint16_t port, int perSecond);
    ~PartStream();
    PartStream(const PartStream&) = delete;
    PartStream& operator=(const PartStream&) = delete;

    // Stops sending and returns the packets per second that were sent.
    double stop();

private:
    void run(int perSecond);

    Link link_;
    std::atomic<bool> stop_{false};
    std::atomic<long> sent_{0};
    Clock::time_point start_;
    std::thread thread_;
};

struct Percentiles {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};
Percentiles percentiles(std::vector<double> values);

double loadAverage();

}  // namespace zulbench
