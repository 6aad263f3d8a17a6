#include "protocol/packet_executor.h"

namespace zul {

PacketExecutor::~PacketExecutor() = default;

}  // namespace zul
