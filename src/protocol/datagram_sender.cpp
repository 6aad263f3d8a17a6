#include "protocol/datagram_sender.h"

namespace zul {

DatagramSender::~DatagramSender() = default;

}  // namespace zul
