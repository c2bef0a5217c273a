#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The thermal table: a flat run of bytes read four at a time as rows.
constexpr std::size_t TABLE_SIZE = 1024;
constexpr std::size_t ROW_SIZE = 4;

// Columns of a row.
constexpr std::size_t COL_RISE = 0;  // entered from below when the temperature is above it
constexpr std::size_t COL_FALL = 1;  // left downward when the temperature is below it
constexpr std::size_t COL_VALUE = 2; // sent to the EC when the row is entered
constexpr std::size_t COL_EXTRA = 3; // only shown

using ThermalTableBytes = std::array<std::uint8_t, TABLE_SIZE>;

// The row offset is one byte wide, so row 63 is the highest that can be
// current; row 0 has no row below it to take a value from.
constexpr std::uint8_t ROW_BOTTOM = 0;
constexpr std::uint8_t ROW_TOP = 63;

// The storage, holding the built-in rows until the file overwrites them from
// its first value on. Nothing in it is ever cleared.
extern ThermalTableBytes ThermalTable;

// Count of values stored from the file: where the next one goes, and how
// many the listing shows.
extern std::uint16_t table_count;

// Loads the file over the storage and echoes each value. False when the file
// cannot be opened; the built-in table then stays in force.
[[nodiscard]] bool Read_ThermalTable(const char *file_name);

// Lists the values stored from the file, four to a line, then an empty line.
void List_ThermalTable();

// The row the controller moves to from `row` at this temperature: one up when
// the temperature is above the next row's rise (tested first), one down when
// it is below the row's own fall, else `row` itself. At either end the row
// holds.
[[nodiscard]] std::uint8_t Step_Row(const ThermalTableBytes &table, std::uint8_t row,
                                    std::uint8_t temperature);

// A column of a row.
[[nodiscard]] std::uint8_t Row_Byte(const ThermalTableBytes &table, std::uint8_t row,
                                    std::size_t column);
