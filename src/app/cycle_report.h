#pragma once

#include "app/cycle_decision.h"
#include "hw/port_lib.h"

#include <array>
#include <cstdint>

// How the EC's last start-up command went. It is owed while other software
// holds the EC: it goes out at the first cycle that can have the EC.
enum class EcStart : std::uint8_t { Owed, Taken, NotTaken };

// How a set-up of the EC went that a cycle made.
enum class RecoveryDone : std::uint8_t {
  None,   // none was made
  Worked, // the ports were opened and the EC took its start-up command
  Failed, // either did not happen
};

// What a cycle did, and the state it leaves: the one report that all the
// program tells the outside is made from (the status the service manager
// shows, the metrics file). Two equal reports tell the same.
struct CycleReport {
  RecoveryDone after_sleep = RecoveryDone::None; // set up again after a sleep, before the read
  EcRead read = EcRead::Answered;                // how the read ended
  std::uint8_t unanswered = 0; // reads in a row left unanswered, this one included
  RecoveryDone recovery_done = RecoveryDone::None; // set up again after the read, and how

  std::int16_t temperature = -1; // the last temperature the EC answered with; -1 before one
  std::uint8_t row = 0;          // the current row, and its bytes
  std::uint8_t rise = 0;
  std::uint8_t fall = 0;
  std::uint8_t value = 0;
  std::int16_t ec_value = -1; // the value the EC last took, -1 while not known
  EcStart ec_start = EcStart::Owed;
  // How long other software has kept each bus from the program, once that
  // is long enough to be said (LONG_HOLD_S); else 0.
  std::array<std::uint32_t, PORTLIB_BUSES> kept_s{};

  bool operator==(const CycleReport &) const = default;
};

// What the controller counts from its start, for the metrics file. Each
// count wraps at 2^32, after more than a century of cycles.
struct ControlCounts {
  std::uint32_t cycles = 0;
  std::array<std::uint32_t, 4> reads{}; // by how the read ended, in EcRead's order
  std::uint32_t selects_taken = 0;      // select commands, a set-up's included
  std::uint32_t selects_not_taken = 0;
  std::uint32_t set_ups_worked = 0; // set-ups after the start-up
  std::uint32_t set_ups_failed = 0;
  std::uint32_t wakes = 0;
  std::uint32_t reloads_read = 0; // the table read again
  std::uint32_t reloads_kept = 0; // a file that could not be used: the table in force kept
};
