#include "commands/mirror_commands.h"

#include "commands/interpreter.h"
#include "services/packet_mirror.h"

namespace zul {

void registerMirrorCommands(Interpreter& interpreter, PacketMirror& mirror) {
    interpreter.setMirror(&mirror);
    interpreter.setHandler(Cmd::CmdMirrorId, [&mirror](PacketContext& c) {
        c.handOver = mirror.CmdMirrorId(c.operand(), c.connection);
    });
}

}  // namespace zul
