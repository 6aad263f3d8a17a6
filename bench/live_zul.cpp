#include "live_zul.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zulbench {
namespace {

constexpr int kCmdPartUpdate = 44;
constexpr int kCmdListSend = 45;
constexpr int kCmdPartsLoadShow = 46;
constexpr int kCmdPartsInfo = 47;
constexpr int kCmdCpuLoadRequest = 74;
constexpr int kCmdCpuLoadReply = 75;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

QByteArray startupSettings(std::uint16_t port, const QString& base, const LiveOptions& o) {
    QByteArray s;
    s += "[Server]\r\nPort=" + QByteArray::number(port) + "\r\nBaseDir=" + base.toUtf8() +
         "\r\nStretch=1\r\nHideDisp=0\r\n";
    s += "[Font]\r\nFontSize=32\r\nFColor=16777215\r\nBColor=8388608\r\nScroll=" +
         QByteArray(o.scroll ? "1" : "0") + "\r\nHidden=0\r\n";
    s += "[Window]\r\nTop=0\r\nLeft=0\r\nWidth=" + QByteArray::number(o.width) +
         "\r\nHeight=" + QByteArray::number(o.height) + "\r\n";
    if (o.webPort != 0) {
        s += "[Web]\r\nRun=1\r\nPort=" + QByteArray::number(o.webPort) + "\r\n";
    }
    s += "[IPtalk]\r\nNoTouch=1\r\n[Mirror]\r\nMirrorRun=0\r\n[RUN]\r\nServerNow=1\r\n";
    return s;
}

// 400 parts in a 20 x 20 grid in the middle of the reference frame (1024 x 768), clear of
// the caption strip at either edge.
QByteArray partsFile(int parts) {
    const QByteArray no = "\x82\xa2\x82\xa2\x82\xa6";  // "いいえ" in code page 932
    QByteArray out = "[List]\r\nRecordCount=" + QByteArray::number(parts) + "\r\n";
    for (int i = 0; i < parts; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        out += "[Parts-" + n + "]\r\nID=" + n + "\r\nPName=part" + n +
               "\r\nValue=0\r\nX1=" + QByteArray::number(150 + (i / 20) * 22) +
               "\r\nY1=" + QByteArray::number((i % 20) * 51) +
               "\r\nX2=20\r\nY2=50\r\nFName=IPAGothic\r\nFColor=16777215\r\nFSize=12\r\n"
               "BColor=0\r\nThrough=" +
               no + "\r\nAutoSize=" + no + "\r\nchange_lock=" + no + "\r\n";
    }
    return out;
}

}  // namespace

std::uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("no free port");
    }
    ::close(fd);
    return ntohs(a.sin_port);
}

LiveZul::LiveZul(const QString& program, const LiveOptions& options) {
    if (!dir_.isValid()) {
        throw std::runtime_error("no temporary folder");
    }
    port_ = freePort();
    writeFile(dir_.filePath(QStringLiteral("startup.rd1")),
              startupSettings(port_, dir_.path(), options));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(dir_.path());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.start(program, {});
    if (!process_.waitForStarted(10000)) {
        throw std::runtime_error("zul did not start: " + process_.errorString().toStdString());
    }
    // Until the display machine listens.
    for (int i = 0; i < 300; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port_);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        if (up) {
            return;
        }
        if (process_.state() != QProcess::Running) {
            break;
        }
        QThread::msleep(100);
    }
    throw std::runtime_error("zul did not start listening");
}

LiveZul::~LiveZul() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

double LiveZul::cpuMicros() const {
    std::ifstream in("/proc/" + std::to_string(pid()) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The fields after the command name, which is in parentheses and may hold spaces.
    const std::size_t close = all.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(all.substr(close + 2));
    std::string f;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14) {
            utime = std::stoull(f);
        } else if (i == 15) {
            stime = std::stoull(f);
            break;
        }
    }
    return static_cast<double>(utime + stime) * 1e6 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long LiveZul::residentKiB() const {
    std::ifstream in("/proc/" + std::to_string(pid()) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

Link::Link(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
    }
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

Link::~Link() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string httpPost(std::uint16_t port, const std::string& path, const std::string& json) {
    Link link(port);
    link.send("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
              "\r\nContent-Type: application/json\r\nContent-Length: " +
              std::to_string(json.size()) + "\r\n\r\n" + json);
    const std::vector<std::string> lines = link.readUntil(
        [](const std::string& line) { return line.rfind("HTTP/1.1 ", 0) == 0; }, 5000);
    return lines.back();
}

void Link::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error(std::string("send: ") + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::string> Link::readUntil(const std::function<bool(const std::string&)>& last,
                                         int timeoutMs) {
    std::vector<std::string> packets;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::size_t lf = 0;
        while ((lf = pending_.find('\n')) != std::string::npos) {
            packets.push_back(pending_.substr(0, lf));
            pending_.erase(0, lf + 1);
            if (last(packets.back())) {
                return packets;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) {
            throw std::runtime_error("no answer from zul");
        }
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
            continue;
        }
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n == 0) {
            throw std::runtime_error("zul closed the connection");
        }
        if (n > 0) {
            pending_.append(chunk, static_cast<std::size_t>(n));
        }
    }
}

std::string packet(int command, const std::string& operand) {
    return std::string(1, static_cast<char>(command)) + operand + "\n";
}

std::string partUpdates(int count, long first, int parts) {
    std::string out;
    out.reserve(static_cast<std::size_t>(count) * 20);
    char line[64];
    for (int i = 0; i < count; ++i) {
        const long v = first + i;
        const int n =
            std::snprintf(line, sizeof line, "%cpart%ld,%ld,,\n", kCmdPartUpdate, 1 + v % parts, v);
        out.append(line, static_cast<std::size_t>(n));
    }
    return out;
}

void roundTrip(Link& link, int timeoutMs) {
    link.send(packet(kCmdCpuLoadRequest, ","));
    link.readUntil([](const std::string& p) { return !p.empty() && p[0] == kCmdCpuLoadReply; },
                   timeoutMs);
}

std::vector<std::string> listParts(Link& link) {
    link.send(packet(kCmdListSend, ""));
    link.send(packet(kCmdCpuLoadRequest, ","));
    std::vector<std::string> parts;
    for (const std::string& p : link.readUntil(
             [](const std::string& p) { return !p.empty() && p[0] == kCmdCpuLoadReply; })) {
        if (!p.empty() && p[0] == kCmdPartsInfo) {
            parts.push_back(p.substr(1));
        }
    }
    return parts;
}

void loadParts(const LiveZul& zul, Link& link, int parts) {
    writeFile(QDir(zul.folder()).filePath(QStringLiteral("bench.rp1")), partsFile(parts));
    link.send(packet(kCmdPartsLoadShow, "bench.rp1"));
    for (int i = 0; i < 200; ++i) {
        if (static_cast<int>(listParts(link).size()) == parts) {
            return;
        }
        QThread::msleep(100);
    }
    throw std::runtime_error("the parts did not load");
}

PartStream::PartStream(std::uint16_t port, int perSecond)
    : link_(port), start_(Clock::now()), thread_([this, perSecond] { run(perSecond); }) {}

PartStream::~PartStream() {
    stop();
}

void PartStream::run(int perSecond) {
    // A batch every 10 ms, each due at its own time from the start.
    const int batch = std::max(1, perSecond / 100);
    Clock::time_point due = start_;
    long value = 0;
    try {
        while (!stop_) {
            link_.send(partUpdates(batch, value));
            value += batch;
            sent_ += batch;
            due += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(due);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "part stream: %s\n", e.what());
    }
}

double PartStream::stop() {
    if (thread_.joinable()) {
        stop_ = true;
        thread_.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    return static_cast<double>(sent_) / seconds;
}

Percentiles percentiles(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    auto at = [&](double q) {
        return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
    };
    return {at(0.5), at(0.99), values.back()};
}

double loadAverage() {
    std::ifstream in("/proc/loadavg");
    double one = 0;
    in >> one;
    return one;
}

}  // namespace zulbench
