#pragma once

#include "hw/ec_read.h"
#include "table/thermal_table.h"

#include <cstdint>

// What a control cycle does once its temperature read has ended: the one
// rule that the controller's cycle follows and thermal-table's replay
// follows after it.

// The controller's pacing: the EC gets a moment after its ports were opened
// before its start-up command, then come the pauses before the first control
// cycle and before every later one.
constexpr std::uint32_t EC_OPEN_SETTLE_MS = 100;
constexpr std::uint32_t FIRST_CYCLE_PAUSE_MS = 100;
constexpr std::uint32_t CYCLE_PAUSE_MS = 1000;

// The slowest cycle, each wait at its bound: its pause; a set-up after a
// sleep (the settle, then the start-up command's and the row's value's
// waits); the read's waits; and the same set-up again after a read that
// found the EC silent or its ports lost. Each of those sleeps and waits may
// end up to a tick of a coarse system timer late (Windows' 15.6 ms, where
// nothing raised its resolution). The service manager's watchdog (the
// unit's WatchdogSec=, more than twice this) and the Windows service's wait
// hints follow from it.
constexpr std::uint32_t SET_UP_MS = EC_OPEN_SETTLE_MS + 2 * EC_SEND_WAITS * EC_WAIT_LIMIT_MS;
constexpr std::uint32_t COARSE_TIMER_TICK_MS = 16;
constexpr std::uint32_t CYCLE_SLEEPS_AND_WAITS = 1 + 2 * (1 + 2 * EC_SEND_WAITS) + EC_READ_WAITS;
constexpr std::uint32_t WORST_CYCLE_MS = CYCLE_PAUSE_MS + 2 * SET_UP_MS +
                                         EC_READ_WAITS * EC_WAIT_LIMIT_MS +
                                         CYCLE_SLEEPS_AND_WAITS * COARSE_TIMER_TICK_MS;

// An EC that leaves this many reads in a row unanswered, its ports still
// there, is set up again.
constexpr std::uint8_t EC_SILENT_READS_LIMIT = 3;

// A sleep of the machine that the cycle acts on: the two clocks behind the
// suspended time are read a moment apart (and on Windows tick in steps of
// about 16 ms), so smaller growth is noise, while a real sleep lasts seconds.
constexpr std::uint64_t RESUME_MIN_SUSPENDED_MS = 1000;

// What the cycle knows once its read has ended.
struct CycleRead {
  std::uint8_t row;          // the current row
  std::uint8_t silent_reads; // unanswered reads in a row before this one
  bool resumed;              // the EC was set up at this cycle's start, after a sleep
  std::uint8_t temperature;  // the byte read
  EcRead read;               // how the read ended
};

// Why the cycle sets the EC up again after its read, if it does.
enum class Recovery : std::uint8_t {
  None,
  PortsLost, // the read found the EC's ports floating
  EcSilent,  // the third unanswered read in a row
};

struct CycleDecision {
  bool select;               // send the value of row `enter` with the select command
  std::uint8_t enter;        // the row that becomes current when the EC takes that select
  Recovery recovery;         // set the EC up again after the read, and why
  std::uint8_t silent_reads; // unanswered reads in a row after this cycle

  bool operator==(const CycleDecision &) const = default;
};

// A read that was not answered is never acted on: the row holds. An answered
// read and every set-up start the count of unanswered reads again. A busy EC
// (other software held its ports) was not asked: the row holds, and the
// count stays as it was, so that it leads to no set-up.
[[nodiscard]] CycleDecision Decide_Cycle(const ThermalTableBytes &table, const CycleRead &cycle);

// The row current after the cycle: the entered one when the EC took the
// select, else the row it was in.
[[nodiscard]] std::uint8_t Row_After(const CycleDecision &decision, std::uint8_t row,
                                     bool select_taken);

// Whether the machine slept between two looks at its suspended time.
[[nodiscard]] bool Slept_Between(std::uint64_t last_look_ms, std::uint64_t now_ms);
