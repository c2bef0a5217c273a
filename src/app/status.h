#pragma once

#include "app/cycle_report.h"

#include <cstddef>

// "STATUS=..." on one line: the temperature or why there is none, whether
// the EC was set up again and how that went, a bus other software keeps
// from the program, the current row, the value the EC holds, and whether it
// took its start-up command. Fits a buffer of STATUS_TEXT_SIZE; nothing is
// allocated.
constexpr std::size_t STATUS_TEXT_SIZE = 256;
void Status_Text(const CycleReport &report, char *text, std::size_t size);
