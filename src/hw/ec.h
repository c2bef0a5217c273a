#pragma once

#include <cstdint>

// The EC host interface: a data port and a command/status port, with the
// status bits of the ACPI embedded-controller interface, and three one-byte
// commands.
constexpr std::uint16_t EC_DATA_PORT = 0x68;
constexpr std::uint16_t EC_CMD_PORT = 0x6C; // command (write), status (read)

// Command 0x33 with its data byte; sent at start-up and whenever the EC is
// set up again. Each byte goes out even when the EC has not taken the one
// before it in time.
void EC_SendInit(std::uint8_t data);

// Command 0x55 with the entered table row's value. True when the EC took
// both bytes in time; false means the EC may not run on the value.
[[nodiscard]] bool EC_SendSelect(std::uint8_t value);

enum class EcRead : std::uint8_t {
  Answered,  // the byte is the EC's temperature
  NoAnswer,  // a wait gave up: the byte is not a temperature
  PortsLost, // as NoAnswer, and the first status read gave 0xFF: nothing
             // decodes the EC's ports any more (a floating bus)
};

// Command 0x44: stores the byte the data port gave in `temperature`. A reply
// left in the output buffer by an earlier request that came too late is read
// and dropped first, so it is never taken for this one.
[[nodiscard]] EcRead EC_ReadTemperature(std::uint8_t &temperature);
