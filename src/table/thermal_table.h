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

// The storage, holding the built-in rows until the file overwrites them from
// its first value on. Nothing in it is ever cleared.
extern std::array<std::uint8_t, TABLE_SIZE> ThermalTable;

// Count of values stored from the file: where the next one goes, and how
// many the listing shows.
extern std::uint16_t table_count;

// Loads the file over the storage and echoes each value. False when the file
// cannot be opened; the built-in table then stays in force.
[[nodiscard]] bool Read_ThermalTable(const char *file_name);

// Lists the values stored from the file, four to a line, then an empty line.
void List_ThermalTable();
