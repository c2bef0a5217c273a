#pragma once

// How long the machine has been suspended since the program started, as the
// port library reports it, from a backend's reading of the same since boot:
// counted from the first call, which the program makes at its start, and
// held at its highest, since the system's two clocks behind a reading are
// read a moment apart and may tick apart.

#include <algorithm>
#include <cstdint>

inline std::uint64_t Suspended_Since_Start(std::int64_t suspended_since_boot_ms) {
  static const std::int64_t at_start = suspended_since_boot_ms;
  static std::int64_t highest = 0;
  highest = std::max(highest, suspended_since_boot_ms - at_start);
  return static_cast<std::uint64_t>(highest);
}
