// Test helper run inside a network namespace by the broadcast tests. Prints one line per
// step on standard output and exits 0 when its job is done, 1 on time-out, 2 on error.
//
//   udp_probe listen <port> <timeout-ms>
//       opens THmUdp on <port> (all addresses), prints "ready", then
//       "received <host> <port> <data>" for the first datagram, and exits.
//   udp_probe broadcast <port> <data> <timeout-ms>
//       computes the broadcast address from this namespace's interface table and host
//       name ("broadcast <address>"), opens on <port>, sends <data> there ("sent <n>") and
//       waits for its own broadcast to come back ("own <host>").
//   udp_probe flood <host> <port> <timeout-ms>
//       sends 60000-byte datagrams until a send would block ("blocked <count> <error>"),
//       waits for OnSent ("sent-again"), then checks that it came once ("sent-count <n>").

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "platform/Hmudp.h"
#include "platform/broadcast_address.h"
#include "platform/net_interfaces.h"

namespace {

using namespace zul;

void say(const QString& line) {
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

int usage() {
    say(QStringLiteral("usage: udp_probe listen|broadcast|flood ..."));
    return 2;
}

void failOnError(THmUdp& udp) {
    udp.OnError = [&udp](THmErrorAt at, bool& throwException) {
        throwException = false;
        say(QStringLiteral("error %1 %2").arg(static_cast<int>(at)).arg(udp.GetError()));
        QCoreApplication::exit(2);
    };
}

void listen(THmUdp& udp) {
    udp.OnOpen = [] { say(QStringLiteral("ready")); };
    udp.OnReceive = [](const QString& host, int port, const QByteArray& data, bool) {
        say(QStringLiteral("received %1 %2 %3").arg(host).arg(port).arg(QString::fromUtf8(data)));
        QCoreApplication::exit(0);
    };
}

bool broadcast(THmUdp& udp, int port, const QByteArray& data) {
    const auto rows = interfaceAddressTable();
    const CardChoice choice =
        chooseNetworkCard(rows.value_or(std::vector<InterfaceAddressRow>{}), hostAddress(), -1);
    if (!choice.broadcastAddress) {
        say(QStringLiteral("no address"));
        return false;
    }
    const QString address = *choice.broadcastAddress;
    say(QStringLiteral("broadcast %1").arg(address));
    udp.OnOpen = [&udp, address, port, data] {
        say(QStringLiteral("sent %1").arg(udp.Send(address, port, data)));
    };
    udp.OnReceive = [data](const QString& host, int, const QByteArray& received, bool) {
        if (received == data) {
            say(QStringLiteral("own %1").arg(host));
            QCoreApplication::exit(0);
        }
    };
    return true;
}

void flood(THmUdp& udp, const QString& host, int port) {
    auto sentCount = std::make_shared<int>(0);
    udp.OnOpen = [&udp, host, port] {
        const QByteArray data(60000, 'f');
        for (int count = 1; count <= 1000; ++count) {
            const int result = udp.Send(host, port, data);
            if (result == 0) {
                say(QStringLiteral("blocked %1 %2").arg(count).arg(udp.GetError()));
                return;
            }
        }
        say(QStringLiteral("never blocked"));
        QCoreApplication::exit(2);
    };
    udp.OnSent = [sentCount] {
        if (++*sentCount == 1) {
            say(QStringLiteral("sent-again"));
            // Any further OnSent while idle would mean a write notifier left running.
            QTimer::singleShot(300, [sentCount] {
                say(QStringLiteral("sent-count %1").arg(*sentCount));
                QCoreApplication::exit(0);
            });
        }
    };
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        return usage();
    }
    const QString& mode = args[0];
    THmUdp udp;
    failOnError(udp);
    int listenPort = 0;
    if (mode == QStringLiteral("listen")) {
        listen(udp);
        listenPort = args[1].toInt();
    } else if (mode == QStringLiteral("broadcast") && args.size() == 4) {
        listenPort = args[1].toInt();
        if (!broadcast(udp, listenPort, args[2].toUtf8())) {
            return 2;
        }
    } else if (mode == QStringLiteral("flood") && args.size() == 4) {
        flood(udp, args[1], args[2].toInt());
    } else {
        return usage();
    }
    if (!udp.Open(listenPort)) {
        return 2;
    }
    QTimer::singleShot(args.last().toInt(), [] {
        say(QStringLiteral("timeout"));
        QCoreApplication::exit(1);
    });
    return QCoreApplication::exec();
}
