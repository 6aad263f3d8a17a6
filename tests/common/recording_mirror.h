#pragma once

// A mirror for the interpreter that keeps the packets handed over, for test programs that
// link the commands layer.

#include <QByteArray>
#include <QByteArrayList>

#include "commands/interpreter.h"

namespace zul::test {

class RecordingMirror : public MirrorSink {
public:
    bool wanted = true;
    QByteArrayList packets;

    bool mirrorWanted() const override { return wanted; }
    void mirrorPacket(const QByteArray& packet) override { packets << packet; }
};

}  // namespace zul::test
