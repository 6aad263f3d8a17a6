// Request-to-reply latency over loopback: an operator thread sends CmdCpuLoadRequest to a
// display machine listener running on the main thread's event loop and waits for the
// CmdCpuLoadReply. Prints p50, p99 and the maximum in microseconds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "commands/directory_commands.h"
#include "commands/display_reader.h"
#include "commands/interpreter.h"
#include "model/debug_log.h"
#include "model/hub_state.h"
#include "model/settings.h"
#include "platform/cpu_load.h"
#include "platform/errors.h"
#include "services/status_broadcaster.h"
#include "services/watchdog.h"
#include "shell/display_listener.h"

namespace {

class NoErrors : public zul::ErrorSink {
public:
    void reportError(const QString& m) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(m));
    }
};

// The operator side: blocking socket calls on a thread of its own.
class Operator : public QThread {
public:
    Operator(quint16 port, int requests) : port_(port), requests_(requests) {}
    std::vector<double> micros;

protected:
    void run() override {
        QTcpSocket s;
        s.connectToHost(QStringLiteral("127.0.0.1"), port_);
        if (!s.waitForConnected(5000)) {
            return;
        }
        s.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QElapsedTimer t;
        for (int i = 0; i < requests_; ++i) {
            t.start();
            s.write("\x4a,\n");
            QByteArray reply;
            while (!reply.endsWith('\n') && s.waitForReadyRead(5000)) {
                reply += s.readAll();
            }
            micros.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
        }
    }

private:
    quint16 port_;
    int requests_;
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int requests = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
    zul::Settings settings;
    zul::HubState hub;
    zul::DebugLog log;
    NoErrors errors;
    zul::Setting<bool> watchdogOff{false};
    zul::WatchDogService watchdog(log, watchdogOff);
    zul::Interpreter interpreter(log);
    zul::StatusBroadcaster status(QByteArray("bench"));
    zul::CpuMeter meter;
    zul::registerDirectoryCommands(interpreter, {settings, log, status, meter});
    zul::DisplayReader reader(interpreter, log, errors);
    zul::DisplayListener listener(hub, reader, watchdog, errors, log);
    if (!listener.open(0)) {
        std::fprintf(stderr, "cannot listen\n");
        return 1;
    }
    Operator op(listener.port(), requests);
    QObject::connect(&op, &QThread::finished, &app, &QCoreApplication::quit);
    op.start();
    QCoreApplication::exec();
    op.wait();
    if (op.micros.size() != static_cast<std::size_t>(requests)) {
        std::fprintf(stderr, "only %zu replies\n", op.micros.size());
        return 1;
    }
    std::printf(
        "CmdCpuLoadRequest round trip over loopback, %d requests: p50 %.1f us, p99 %.1f us, max "
        "%.1f us\n",
        requests, percentile(op.micros, 0.50), percentile(op.micros, 0.99),
        *std::max_element(op.micros.begin(), op.micros.end()));
    return 0;
}
