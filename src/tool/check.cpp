// The table's findings: first what the reading of each field shows, in the
// file's order, then what the stepping does with the rows, worked out over
// every row and every temperature. Those that change what the controller
// does, it says itself at start-up, in the same words (table_findings.h).

#include "tool/check.h"

#include "table/table_findings.h"

#include <algorithm>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

struct Located {
  std::size_t offset; // where it points in the file; 0 when it has no place of its own
  TableFinding finding;
};

struct Findings {
  const LoadedTable &table;
  std::vector<Located> list;
};

unsigned U(std::size_t n) { return static_cast<unsigned>(n); }

std::size_t First_Of(std::size_t preferred, std::size_t fallback) {
  return preferred != NO_OFFSET ? preferred : fallback;
}

// Where a value stands in the file: its number, else its comma.
std::size_t Value_Offset(const LoadedTable &table, std::size_t value) {
  if (value == NO_VALUE || value >= table.fields.size()) {
    return 0;
  }
  const TableField &field = table.fields[value];
  return First_Of(field.first_nonblank, field.comma_at);
}

// Where a row's first value stands in the file, or 0 when the file does not set it.
std::size_t Row_Offset_In_File(const LoadedTable &table, std::size_t row) {
  return Value_Offset(table, row * ROW_SIZE);
}

void Take_Shared(void *context, const TableFinding &finding) {
  Findings &findings = *static_cast<Findings *>(context);
  findings.list.push_back({Value_Offset(findings.table, finding.value), finding});
}

FindingTaker Taker(Findings &findings) { return {Take_Shared, &findings}; }

[[gnu::format(printf, 5, 6)]] void Add(Findings &findings, std::size_t offset,
                                       FindingSeverity severity, const char *name,
                                       const char *format, ...) {
  Located located{offset, {NO_VALUE, severity, name, {}}};
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(located.finding.text, sizeof located.finding.text, format, arguments);
  va_end(arguments);
  findings.list.push_back(located);
}

void Check_Field(Findings &findings, std::size_t value) {
  const TableField &field = findings.table.fields[value];
  if (!field.has_digits) {
    Add(findings, First_Of(field.first_nonblank, field.comma_at), FindingSeverity::Warning,
        "not-a-number", "this field holds no number; it stores 0");
    return;
  }
  if (field.ignored_at != NO_OFFSET && field.line_break_before_ignored) {
    Add(findings, field.first_nonblank, FindingSeverity::Warning, "no-comma",
        "this number has no comma; the next line's first number runs into it and is lost, and "
        "every later value moves up by one");
  } else if (field.ignored_at != NO_OFFSET) {
    Add(findings, field.ignored_at, FindingSeverity::Warning, "ignored-text",
        "this text before the comma is ignored; only the number in front of it counts");
  }
  Find_Range(value, Field_Value(field), Taker(findings));
}

void Check_Reading(Findings &findings) {
  const LoadedTable &table = findings.table;
  for (std::size_t value = 0; value < table.fields.size(); ++value) {
    Check_Field(findings, value);
  }
  if (table.too_many) {
    Add(findings, table.too_many_at, FindingSeverity::Warning, "too-many",
        "more than %u values; this comma and everything after it are ignored", U(TABLE_SIZE));
  }
  if (table.too_long) {
    Add(findings, TABLE_FILE_MAX_BYTES, FindingSeverity::Warning, "too-long",
        "the file goes on past %u bytes, where the controller stops reading it; the rest is "
        "ignored",
        U(TABLE_FILE_MAX_BYTES));
  }
  if (table.trailing.first_nonblank != NO_OFFSET) {
    Add(findings, table.trailing.first_nonblank, FindingSeverity::Warning, "trailing-text",
        "text after the last comma is ignored; a value counts only with a comma after it");
  }
  Find_Partial_Row(table.fields.size(), Taker(findings));
}

void Check_Oscillation(Findings &findings, const RowSet &reached) {
  const LoadedTable &table = findings.table;
  for (std::size_t row = 1; row < STEPPING_ROWS; ++row) {
    if (!reached[row] && !reached[row - 1]) {
      continue;
    }
    unsigned low = TEMPERATURES;
    unsigned high = 0;
    for (unsigned t = 0; t < TEMPERATURES; ++t) {
      std::uint8_t other = 0;
      if (Oscillates(table.bytes, static_cast<std::uint8_t>(row), static_cast<std::uint8_t>(t),
                     other) &&
          other == row - 1) {
        low = t < low ? t : low;
        high = t;
      }
    }
    if (low <= high) {
      Add(findings, Row_Offset_In_File(table, row), FindingSeverity::Warning, "oscillation",
          "at a constant %u to %u the controller moves between rows %u and %u on every cycle: "
          "row %u's fall of %u lies above its rise of %u",
          low, high, U(row - 1), U(row), U(row),
          Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_FALL),
          Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_RISE));
    }
  }
}

// Where a constant temperature takes the controller from row 0, cycle after
// cycle, until it stays.
std::uint8_t Row_Held_At(const ThermalTableBytes &bytes, std::uint8_t temperature) {
  std::uint8_t row = ROW_BOTTOM;
  for (std::size_t cycle = 0; cycle < STEPPING_ROWS; ++cycle) {
    row = Step_Row(bytes, row, temperature);
  }
  return row;
}

// The last row that holds values: the file's last, or the built-in eight.
void Check_BeyondRows(Findings &findings) {
  const LoadedTable &table = findings.table;
  const std::size_t rows = Rows_Set(table) > BUILT_IN_ROWS ? Rows_Set(table) : BUILT_IN_ROWS;
  const std::size_t last = rows - 1;
  for (unsigned t = 0; t < TEMPERATURES && last < ROW_TOP; ++t) {
    if (Row_Held_At(table.bytes, static_cast<std::uint8_t>(t)) <= last) {
      continue;
    }
    Add(findings, Row_Offset_In_File(table, last), FindingSeverity::Warning, "beyond-rows",
        "at %u and above the controller climbs past row %u, the last that holds values, into "
        "row %u, which sends %u; give the row after your last one a rise of 255",
        t, U(last), U(last + 1),
        Row_Byte(table.bytes, static_cast<std::uint8_t>(last + 1), COL_VALUE));
    return;
  }
}

// A row whose rise is 255 is a ceiling: it is there to stop the climb, and is
// never meant to be entered.
bool Is_Ceiling(const LoadedTable &table, std::size_t row) {
  return Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_RISE) == 255;
}

void Check_Unreachable(Findings &findings, const RowSet &reached) {
  const LoadedTable &table = findings.table;
  const std::size_t rows = Rows_Set(table) < STEPPING_ROWS ? Rows_Set(table) : STEPPING_ROWS;
  for (std::size_t row = 1; row < rows; ++row) {
    if (!reached[row] && !Is_Ceiling(table, row)) {
      Add(findings, Row_Offset_In_File(table, row), FindingSeverity::Warning, "unreachable",
          "row %u (rise %u) is never entered: no sequence of temperatures reaches it from row 0",
          U(row), Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_RISE));
    }
  }
}

// Rows above the controller's top row are never entered, whatever their
// thresholds: one finding for the run of them, ceilings aside.
void Check_AboveTopRow(Findings &findings) {
  const LoadedTable &table = findings.table;
  std::size_t first = 0;
  std::size_t last = 0;
  for (std::size_t row = STEPPING_ROWS; row < Rows_Set(table); ++row) {
    if (!Is_Ceiling(table, row)) {
      first = first == 0 ? row : first;
      last = row;
    }
  }
  if (first == 0) {
    return;
  }
  if (first == last) {
    Add(findings, Row_Offset_In_File(table, first), FindingSeverity::Warning, "unreachable",
        "row %u is never entered: the controller climbs no higher than row %u", U(first),
        U(ROW_TOP));
  } else {
    Add(findings, Row_Offset_In_File(table, first), FindingSeverity::Warning, "unreachable",
        "rows %u to %u are never entered: the controller climbs no higher than row %u", U(first),
        U(last), U(ROW_TOP));
  }
}

void Print_Count(const LoadedTable &table, std::size_t warnings, std::size_t notes,
                 std::FILE *out) {
  const auto count = [](std::size_t n, const char *one, const char *more) {
    return std::to_string(n) + " " + (n == 1 ? one : more);
  };
  if (warnings == 0 && notes == 0) {
    std::fprintf(out, "%s: no problems found\n", table.name.c_str());
  } else if (notes == 0 || warnings == 0) {
    std::fprintf(
        out, "%s: %s\n", table.name.c_str(),
        (warnings > 0 ? count(warnings, "warning", "warnings") : count(notes, "note", "notes"))
            .c_str());
  } else {
    std::fprintf(out, "%s: %s, %s\n", table.name.c_str(),
                 count(warnings, "warning", "warnings").c_str(),
                 count(notes, "note", "notes").c_str());
  }
}

} // namespace

int Check_Table(const LoadedTable &table, std::FILE *out) {
  Findings findings{table, {}};
  Find_Encoding(table.encoding, Taker(findings));
  Check_Reading(findings);
  std::stable_sort(findings.list.begin(), findings.list.end(),
                   [](const Located &a, const Located &b) { return a.offset < b.offset; });
  const RowSet reached = Reachable_Rows(table.bytes);
  Find_BuiltIn_Rows(Rows_Set(table), reached, Taker(findings));
  Check_Oscillation(findings, reached);
  Find_Stuck_Rows(table.bytes, reached, Taker(findings));
  Check_BeyondRows(findings);
  Check_Unreachable(findings, reached);
  Check_AboveTopRow(findings);

  std::size_t warnings = 0;
  for (const Located &located : findings.list) {
    const TextPosition at = Position_Of(table.text, located.offset);
    const bool warning = located.finding.severity == FindingSeverity::Warning;
    warnings += warning ? 1 : 0;
    std::fprintf(out, "%s:%u:%u: %s: %s [%s]\n", table.name.c_str(), U(at.line), U(at.column),
                 warning ? "warning" : "note", located.finding.text, located.finding.name);
  }
  Print_Count(table, warnings, findings.list.size() - warnings, out);
  return warnings > 0 ? 1 : 0;
}
