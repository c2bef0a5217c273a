#pragma once

#include <cstdint>

// An exchange's wait gives up once this long has passed on the platform's
// clock: just over a second for an EC that does not answer, however coarse
// the system's timer. A command and its data byte wait at most twice, a
// temperature read three times (those two, then the reply): the bounds the
// cycle's pacing counts on.
constexpr std::uint32_t EC_WAIT_LIMIT_MS = 1001;
constexpr unsigned EC_SEND_WAITS = 2;
constexpr unsigned EC_READ_WAITS = 3;

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
