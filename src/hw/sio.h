#pragma once

#include <cstdint>

// The configuration ports 0x4E/0x4F, through which the EC's logical device
// is given its ports.

// Sets up logical device 0x12, the EC: selected, deactivated, given its data
// and command ports as its two I/O bases (the low bytes only; the high bytes
// keep their values), and activated.
void SIO_SetUpEcDevice(std::uint16_t data_port, std::uint16_t command_port);
