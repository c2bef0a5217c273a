#pragma once

// The configuration ports 0x4E/0x4F, through which the EC's logical device
// is given its ports.

// Sets up logical device 0x12, the EC: selected, deactivated, given the EC's
// data and command ports as its two I/O bases (the low bytes only; the high
// bytes keep their values), and activated.
void SIO_SetUpEcDevice();
