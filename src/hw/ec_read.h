#pragma once

#include <cstdint>

// How a temperature read of the EC ended: the one fact about the EC that the
// cycle's decision (and thermal-table's replay of it) needs.
enum class EcRead : std::uint8_t {
  Answered,  // the byte is the EC's temperature
  NoAnswer,  // a wait gave up: the byte is not a temperature
  PortsLost, // as NoAnswer, and the first status read gave the floating
             // value: nothing decodes the EC's ports any more
  Busy,      // other software held the EC's ports: nothing was asked, and
             // the byte is the read before's
};
