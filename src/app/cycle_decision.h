#pragma once

#include "hw/ec.h"
#include "table/thermal_table.h"

#include <cstdint>

// What a control cycle does once its temperature read has ended: the one
// rule that the controller's cycle follows and thermal-table's replay
// follows after it.
struct CycleDecision {
  bool select;        // send the value of row `enter` with the select command
  std::uint8_t enter; // the row that becomes current when the EC takes that select
  bool set_up;        // the EC's ports were lost: set them up again, then re-send
                      // the current row's value
};

// From the current row, the byte read and how the read ended. A read that
// was not answered is never acted on: the row holds.
[[nodiscard]] CycleDecision Decide_Cycle(const ThermalTableBytes &table, std::uint8_t row,
                                         std::uint8_t temperature, EcRead read);

// The row current after the cycle: the entered one when the EC took the
// select, else the row it was in.
[[nodiscard]] std::uint8_t Row_After(const CycleDecision &decision, std::uint8_t row,
                                     bool select_taken);
