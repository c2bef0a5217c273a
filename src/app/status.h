#pragma once

#include "app/controller.h"
#include "app/cycle_decision.h"

#include <cstddef>
#include <cstdint>

// What a cycle did, for the line that the service manager shows as the
// program's status.
struct CycleReport {
  bool resumed;            // set up again after a sleep, before the read
  EcRead read;             // how the read ended
  std::uint8_t unanswered; // reads in a row left unanswered, this one included
  SetUp set_up;            // set up again after the read, and why
};

// "STATUS=..." on one line: the temperature or why there is none, whether the
// EC was set up again, the current row, and the value the EC holds. Fits a
// buffer of STATUS_TEXT_SIZE; nothing is allocated.
constexpr std::size_t STATUS_TEXT_SIZE = 192;
void Status_Text(const Controller &controller, const CycleReport &report, char *text,
                 std::size_t size);
