#pragma once

#include "hw/ec_read.h"

#include <cstdint>

// The EC host interface: three one-byte commands over the EC's data and
// command/status ports.

// Each command is one exchange, made while holding the EC's ports.

// Command 0x33 with its data byte; sent at start-up and whenever the EC is
// set up again. Each byte goes out even when the EC has not taken the one
// before it in time; true when the EC took both (false, and nothing sent,
// when the EC could not be held).
[[nodiscard]] bool EC_SendInit(std::uint8_t data);

// Command 0x55 with the entered table row's value. True when the EC took
// both bytes in time; false means the EC may not run on the value (or, when
// the EC could not be held, was not sent it).
[[nodiscard]] bool EC_SendSelect(std::uint8_t value);

// Command 0x44: stores the byte the data port gave in `temperature`. A reply
// left in the output buffer by an earlier request that came too late is read
// and dropped first, so it is never taken for this one. An EC that cannot be
// held is not asked: the read is Busy.
[[nodiscard]] EcRead EC_ReadTemperature(std::uint8_t &temperature);
