#include "table/table_findings.h"

#include "common/console.h"

#include <cstdarg>
#include <cstdio>

namespace {

unsigned U(std::size_t n) { return static_cast<unsigned>(n); }

[[gnu::format(printf, 5, 6)]] void Take(FindingTaker taker, std::size_t value,
                                        FindingSeverity severity, const char *name,
                                        const char *format, ...) {
  TableFinding finding{value, severity, name, {}};
  std::va_list arguments;
  va_start(arguments, format);
  Text_FormatV(finding.text, sizeof finding.text, format, arguments);
  va_end(arguments);
  taker.take(taker.context, finding);
}

// The highest row some sequence of temperatures reaches from row 0: the
// controller moves one row at a time, so it reaches every row below it too.
std::size_t Highest_Reached(const RowSet &reached) {
  std::size_t highest = ROW_BOTTOM;
  for (std::size_t row = 0; row < reached.size(); ++row) {
    highest = reached[row] ? row : highest;
  }
  return highest;
}

// "row R", or "rows A to B".
using RowsText = char[24];
void Rows_Text(RowsText &text, std::size_t first, std::size_t last) {
  if (first == last) {
    Text_Format(text, sizeof text, "row %u", U(first));
  } else {
    Text_Format(text, sizeof text, "rows %u to %u", U(first), U(last));
  }
}

bool Never_Left(const ThermalTableBytes &table, std::uint8_t row) {
  for (unsigned t = 0; t < TEMPERATURES; ++t) {
    if (Step_Row(table, row, static_cast<std::uint8_t>(t)) != row) {
      return false;
    }
  }
  return true;
}

} // namespace

void Find_Range(std::size_t value, int number, FindingTaker taker) {
  if (number < 0 || number > 255) {
    Take(taker, value, FindingSeverity::Warning, "range",
         "%d is outside 0 to 255; it stores %u, its low eight bits", number,
         unsigned{static_cast<std::uint8_t>(number)});
  }
}

void Find_Partial_Row(std::size_t count, FindingTaker taker) {
  const std::size_t kept = ROW_SIZE - count % ROW_SIZE;
  if (count % ROW_SIZE != 0) {
    Take(taker, count - 1, FindingSeverity::Warning, "partial-row",
         "the file's %u values end inside row %u: its last %u %s the built-in table's values",
         U(count), U(count / ROW_SIZE), U(kept), kept == 1 ? "column keeps" : "columns keep");
  }
}

void Find_BuiltIn_Rows(std::size_t rows_set, const RowSet &reached, FindingTaker taker) {
  const std::size_t highest = Highest_Reached(reached);
  const std::size_t last = highest < BUILT_IN_ROWS ? highest : BUILT_IN_ROWS - 1;
  if (last < rows_set) {
    return;
  }
  if (rows_set == 0) {
    Take(taker, NO_VALUE, FindingSeverity::Warning, "built-in-rows",
         "the file sets no rows: the controller runs on built-in rows 0 to %u", U(last));
    return;
  }
  RowsText file_rows;
  RowsText built_in_rows;
  Rows_Text(file_rows, ROW_BOTTOM, rows_set - 1);
  Rows_Text(built_in_rows, rows_set, last);
  Take(taker, NO_VALUE, FindingSeverity::Warning, "built-in-rows",
       "the file sets %s; the controller climbs on into built-in %s and sends their values: give "
       "the row after your last one a rise of 255",
       file_rows, built_in_rows);
}

void Find_Stuck_Rows(const ThermalTableBytes &table, const RowSet &reached, FindingTaker taker) {
  for (std::size_t row = ROW_BOTTOM + 1; row < reached.size(); ++row) {
    const auto r = static_cast<std::uint8_t>(row);
    if (!reached[row] || !Never_Left(table, r)) {
      continue;
    }
    Take(taker, row * ROW_SIZE, FindingSeverity::Warning, "stuck",
         "once in row %u the controller never leaves it: no temperature is below its fall of "
         "%u, and none takes it higher",
         U(row), unsigned{Row_Byte(table, r, COL_FALL)});
  }
}

void Find_Encoding(TextEncoding encoding, FindingTaker taker) {
  if (encoding != TextEncoding::Unmarked) {
    Take(taker, NO_VALUE, FindingSeverity::Note, "encoding",
         "the file is %s; its text is read as the same digits in ASCII would be",
         Encoding_Name(encoding));
  }
}

void Find_What_Changes_The_Controller(const ThermalTableBytes &table, std::size_t count,
                                      const TableLoad &load, FindingTaker taker) {
  Find_Encoding(load.encoding, taker);
  for (std::size_t i = 0; i < count; ++i) {
    Find_Range(i, load.numbers[i], taker);
  }
  Find_Partial_Row(count, taker);
  const RowSet reached = Reachable_Rows(table);
  Find_BuiltIn_Rows((count + ROW_SIZE - 1) / ROW_SIZE, reached, taker);
  Find_Stuck_Rows(table, reached, taker);
}
