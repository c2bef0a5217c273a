#pragma once

// The configuration ports 0x4E/0x4F, through which the EC's logical device
// is given its ports.

// Holding the configuration ports for the whole sequence, sets up logical
// device 0x12, the EC: selected, deactivated, given the EC's data and command
// ports as its two I/O bases (the low bytes only; the high bytes keep their
// values), and activated. False when the ports could not be held or the
// set-up did not go through; the backend has said why.
[[nodiscard]] bool SIO_ProgramEcDevice();
