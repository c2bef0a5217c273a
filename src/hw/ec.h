#pragma once

#include "hw/ec_read.h"

#include <cstdint>

// The EC host interface: three one-byte commands over the EC's data and
// command/status ports.

// Each command is one exchange, made while holding the EC's ports. A byte
// goes out only once the EC has taken the one before it; a wait that gives
// up ends the exchange.

// A wait polls the status every EC_POLL_STEP_MS and gives up once
// EC_WAIT_LIMIT_MS have passed on the platform's clock (hw/ec_read.h).
constexpr std::uint32_t EC_POLL_STEP_MS = 1;

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

// Command 0x44: stores the EC's reply in `temperature`. A reply left in the
// output buffer by an earlier request that came too late is read and dropped
// first, so it is never taken for this one. A read that is not answered
// leaves `temperature` as it was; an EC that cannot be held is not asked:
// the read is Busy.
[[nodiscard]] EcRead EC_ReadTemperature(std::uint8_t &temperature);
