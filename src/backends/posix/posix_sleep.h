#pragma once

#include <cstdint>

// Sleeps the whole time, resuming after signals.
void Posix_SleepMs(std::uint32_t milliseconds);

// The pause between two cycles: the same sleep, but false at once where
// SIGTERM or SIGINT has asked the program to end, before the pause or during
// it.
[[nodiscard]] bool Posix_PauseMs(std::uint32_t milliseconds);
