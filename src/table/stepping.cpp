#include "table/stepping.h"

RowSet Reachable_Rows(const ThermalTableBytes &table) {
  RowSet reached{};
  std::array<std::uint8_t, STEPPING_ROWS> pending{};
  std::size_t pending_count = 0;
  reached[ROW_BOTTOM] = true;
  pending[pending_count++] = ROW_BOTTOM;
  while (pending_count > 0) {
    const std::uint8_t row = pending[--pending_count];
    for (unsigned t = 0; t < TEMPERATURES; ++t) {
      const std::uint8_t next = Step_Row(table, row, static_cast<std::uint8_t>(t));
      if (!reached[next]) {
        reached[next] = true;
        pending[pending_count++] = next;
      }
    }
  }
  return reached;
}

bool Oscillates(const ThermalTableBytes &table, std::uint8_t row, std::uint8_t temperature,
                std::uint8_t &other) {
  other = Step_Row(table, row, temperature);
  return other != row && Step_Row(table, other, temperature) == row;
}
