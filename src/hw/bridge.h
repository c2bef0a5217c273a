#pragma once

#include <cstdint>

// The Intel LPC bridge (PCI 8086:9CC3), which forwards I/O ports from the PCI
// side to the LPC bus where the EC sits.

// Searches buses 0 to 5 for the bridge: the first match's address, or
// PORTLIB_PCI_NOT_FOUND.
[[nodiscard]] std::uint32_t Bridge_Find();

// Has the bridge forward ports 0x68 to 0x6F, which hold both EC ports. False
// when the configuration write did not go through; the backend has said why.
[[nodiscard]] bool Bridge_ForwardEcPorts(std::uint32_t bridge);
