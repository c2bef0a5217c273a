#pragma once

// What thermal-table check finds in a table that changes what the controller
// does: a value outside 0 to 255, a file that ends inside a row, built-in
// rows that the controller climbs into above the file's, a row that it never
// leaves once it is in it, and the encoding it decodes. The checker reports them among
// its other findings, where they stand in the file; the controller says them once, as it lists the
// table. One home for their rules and their words.

#include "table/stepping.h"
#include "table/thermal_table.h"

#include <array>
#include <cstddef>

enum class FindingSeverity : std::uint8_t { Warning, Note };

constexpr std::size_t FINDING_TEXT_SIZE = 192;
constexpr std::size_t NO_VALUE = static_cast<std::size_t>(-1);

struct TableFinding {
  std::size_t value; // the index of the value it points at; NO_VALUE for the whole file
  FindingSeverity severity;
  const char *name;
  char text[FINDING_TEXT_SIZE];
};

struct FindingTaker {
  void (*take)(void *context, const TableFinding &finding);
  void *context;
};

// A value whose number lies outside 0 to 255, which stores its low eight bits.
void Find_Range(std::size_t value, int number, FindingTaker taker);

// A file whose `count` values end inside a row.
void Find_Partial_Row(std::size_t count, FindingTaker taker);

// Built-in rows above the file's `rows_set` that the controller climbs into,
// and whose values it sends, among the rows it can reach.
void Find_BuiltIn_Rows(std::size_t rows_set, const RowSet &reached, FindingTaker taker);

// Rows the controller can reach and, once in them, never leaves: no
// temperature moves it out.
void Find_Stuck_Rows(const ThermalTableBytes &table, const RowSet &reached, FindingTaker taker);

// A file in an encoding other than plain text, which the controller decodes:
// said, so that a user who saved it so knows it was understood.
void Find_Encoding(TextEncoding encoding, FindingTaker taker);

// All five, for a table loaded from a file of `count` values.
void Find_What_Changes_The_Controller(const ThermalTableBytes &table, std::size_t count,
                                      const TableLoad &load, FindingTaker taker);
