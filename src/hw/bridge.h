#pragma once

#include <cstdint>

// The Intel LPC bridge (PCI 8086:9CC3), which forwards I/O ports from the PCI
// side to the LPC bus where the EC sits.

enum class BridgeOpened : std::uint8_t {
  Forwarding, // the bridge forwards the EC's ports
  NotFound,   // no bridge on buses 0 to 5; nothing was written
  Taken,      // its decode range forwards another device's ports: it was left
              // alone, and that was said
  Failed,     // PCI could not be held, or the read or the write did not go
              // through: the backend has said why
};

// Holding PCI, searches buses 0 to 5 for the bridge and has the first match
// forward ports 0x68 to 0x6F, which hold both EC ports, where its decode
// register holds no other range.
[[nodiscard]] BridgeOpened Bridge_ForwardEcPorts();
