#pragma once

#include <cstdint>

// The EC host interface: data port 0x68, command/status port 0x6C.

// Has the LPC bridge forward the EC's ports and sets up the EC's logical
// device. False, after its message, when the bridge is not found.
[[nodiscard]] bool Open_Port();

// Each wait polls the status in 1 ms steps and gives up after 1001 sleeps.
// True when the condition came, false when the wait gave up.
[[nodiscard]] bool EC_WaitInputEmpty();
[[nodiscard]] bool EC_WaitOutputFull();

// Command 0x33 with its data byte; sent at start-up and when the ports are
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
