#pragma once

#include "hw/ec_read.h"

#include <cstdint>

// The EC host interface: three one-byte commands over the EC's data and
// command/status ports.

// Each command is one exchange, made while holding the EC's ports. Each byte
// goes out even when the EC has not taken the one before it in time.

// How a command with its data byte went.
enum class EcSent : std::uint8_t {
  Taken,    // the EC took both bytes in time
  NotTaken, // a wait gave up: the EC may not act on it
  NotHeld,  // other software held the EC's ports: nothing went out
};

// Command 0x33 with its data byte; sent at start-up and whenever the EC is
// set up again.
[[nodiscard]] EcSent EC_SendInit(std::uint8_t data);

// Command 0x55 with the entered table row's value.
[[nodiscard]] EcSent EC_SendSelect(std::uint8_t value);

// Command 0x44: stores the byte the data port gave in `temperature`. A reply
// left in the output buffer by an earlier request that came too late is read
// and dropped first, so it is never taken for this one. An EC that cannot be
// held is not asked: the read is Busy.
[[nodiscard]] EcRead EC_ReadTemperature(std::uint8_t &temperature);
