#include "protocol/connection.h"

namespace zul {

PacketConnection::~PacketConnection() = default;

}  // namespace zul
