#pragma once

// Recording stand-ins for the error sink and the protocol interfaces, for test programs that
// link the protocol layer: what the code under test hands them is kept for the test to read.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <utility>

#include "platform/errors.h"
#include "protocol/connection.h"
#include "protocol/datagram_sender.h"
#include "protocol/packet_executor.h"
#include "waiting_and_ports.h"

namespace zul::test {

// Keeps the messages; with `failTest` set, each one also fails the running test.
class RecordingErrors : public ErrorSink {
public:
    QStringList messages;
    bool failTest = false;

    void reportError(const QString& message) override {
        messages << message;
        if (failTest) {
            ADD_FAILURE() << message.toStdString();
        }
    }
};

// Keeps the datagrams and reports each one sent.
class RecordingDatagrams : public DatagramSender {
public:
    QByteArrayList sent;

    bool sendDatagram(const QByteArray& datagram) override {
        sent << datagram;
        return true;
    }
    int count(const QByteArray& datagram) const { return static_cast<int>(sent.count(datagram)); }
};

// Keeps the bytes written to the connection; the far end is called `peer`.
class RecordingConnection : public PacketConnection {
public:
    explicit RecordingConnection(QString peer = QStringLiteral("display"))
        : peer_(std::move(peer)) {}

    QByteArrayList sent;

    void send(const QByteArray& bytes) override { sent << bytes; }
    QString peerName() const override { return peer_; }

private:
    QString peer_;
};

// Keeps the packets it is asked to run, without running them.
class RecordingExecutor : public PacketExecutor {
public:
    QByteArrayList packets;

    void ExecutePacket(QByteArrayView packet, PacketConnection*) override {
        packets << packet.toByteArray();
    }
};

}  // namespace zul::test
