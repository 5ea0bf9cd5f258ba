// Loopback ports for tests and benchmarks that probe listening and closed ports.
#pragma once

#include <winsock2.h>

namespace rdc::test {

// Binds `socket` (of `family`, AF_INET or AF_INET6) to the loopback address on
// a free port below the range the system takes source ports from, and returns
// the port (0 when none could be bound). A connect to a port inside that range
// can be given the same port as its source and then connects to itself, so a
// closed port there would now and then look open.
unsigned short BindLoopbackBelowSourcePorts(SOCKET socket, int family);

// A port of the loopback address that nothing holds, below the source ports.
unsigned short ClosedLoopbackPort();

}  // namespace rdc::test
