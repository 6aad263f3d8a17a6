#pragma once

// A TCP server standing for the next display machine of a mirror: keeps what each
// connection sent and whether it is still open.

#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

namespace zul::test {

struct MirrorTarget {
    QTcpServer server;
    std::vector<QTcpSocket*> links;
    std::vector<QByteArray> received;

    MirrorTarget() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                const size_t i = links.size();
                links.push_back(s);
                received.emplace_back();
                QObject::connect(s, &QTcpSocket::readyRead,
                                 [this, s, i] { received[i] += s->readAll(); });
            }
        });
    }
    quint16 port() const { return server.serverPort(); }
    bool open(size_t i) const {
        return i < links.size() && links[i]->state() == QAbstractSocket::ConnectedState;
    }
};

}  // namespace zul::test
