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

// Command 0x33 with its data byte; sent once at start-up.
void EC_SendInit(std::uint8_t data);

// Command 0x55 with the entered table row's value.
void EC_SendSelect(std::uint8_t value);

// Command 0x44: stores the byte the data port gave in `temperature` and
// returns whether the EC took both bytes and replied in time. A false result
// means the byte is not a temperature and must not be acted on.
[[nodiscard]] bool EC_ReadTemperature(std::uint8_t &temperature);
