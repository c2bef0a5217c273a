#pragma once

#include "app/controller.h"
#include "app/cycle_decision.h"

#include <cstddef>
#include <cstdint>

// How a set-up of the EC went that a cycle made.
enum class RecoveryDone : std::uint8_t {
  None,   // none was made
  Worked, // the ports were opened and the EC took its start-up command
  Failed, // either did not happen
};

// What a cycle did, for the line that the service manager shows as the
// program's status.
struct CycleReport {
  RecoveryDone after_sleep;   // set up again after a sleep, before the read
  EcRead read;                // how the read ended
  std::uint8_t unanswered;    // reads in a row left unanswered, this one included
  Recovery recovery;          // set up again after the read, and why
  RecoveryDone recovery_done; // and how that went
};

// "STATUS=..." on one line: the temperature or why there is none, whether
// the EC was set up again and how that went, the current row, the value the
// EC holds, and whether it took its start-up command. Fits a buffer of
// STATUS_TEXT_SIZE; nothing is allocated.
constexpr std::size_t STATUS_TEXT_SIZE = 256;
void Status_Text(const Controller &controller, const CycleReport &report, char *text,
                 std::size_t size);
