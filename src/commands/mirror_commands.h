#pragma once

// The packet mirror's part in the interpreter: the hand-over of every executed packet and
// the identity check of CmdMirrorId.

namespace zul {

class Interpreter;
class PacketMirror;

// Makes `mirror` the interpreter's mirror and installs the handler of CmdMirrorId.
void registerMirrorCommands(Interpreter& interpreter, PacketMirror& mirror);

}  // namespace zul
