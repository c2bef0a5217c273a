#pragma once

#include <cstdint>

// Sleeps the whole time, resuming after signals.
void Posix_SleepMs(std::uint32_t milliseconds);
