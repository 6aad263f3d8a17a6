#include "shell/quit_on_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace zul {
namespace {

int g_pipe[2] = {-1, -1};  // written from the signal handler only
volatile std::sig_atomic_t g_caught = 0;

void onSignal(int sig) {
    g_caught = 1;
    const auto byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(g_pipe[1], &byte, 1) == 1) {
            lastSignal_ = byte;
        }
        Q_EMIT signalled(lastSignal_);
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

bool QuitOnSignals::caught() const {
    return g_caught != 0;
}

QuitOnSignals::~QuitOnSignals() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    notifier_.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

}  // namespace zul
