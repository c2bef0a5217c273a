#pragma once

// What the controller's stepping does over a whole table: worked out from the
// stepping itself, over every row it can be in and every temperature.

#include "table/thermal_table.h"

#include <array>
#include <cstdint>

constexpr std::size_t STEPPING_ROWS = ROW_TOP + 1;
constexpr unsigned TEMPERATURES = 256;

// The rows that some sequence of temperatures reaches from row 0.
using RowSet = std::array<bool, STEPPING_ROWS>;
[[nodiscard]] RowSet Reachable_Rows(const ThermalTableBytes &table);

// Whether at a constant temperature the controller leaves `row` for another
// row and comes back on the next cycle; `other` is that row.
[[nodiscard]] bool Oscillates(const ThermalTableBytes &table, std::uint8_t row,
                              std::uint8_t temperature, std::uint8_t &other);
