// The table's findings: first what the reading of each field shows, in the
// file's order, then what the stepping does with the rows, worked out over
// every row and every temperature.

#include "tool/check.h"

#include "tool/stepping.h"

#include <algorithm>
#include <cstdarg>
#include <string>
#include <vector>

namespace {

enum class Severity : std::uint8_t { Warning, Note };

struct Finding {
  std::size_t offset; // where it points; 0 when it has no place of its own
  Severity severity;
  std::string text;
  const char *name;
};

// The formatted text, whatever its length.
[[gnu::format(printf, 1, 2)]] std::string Text(const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

unsigned U(std::size_t n) { return static_cast<unsigned>(n); }

std::string Count_Text(std::size_t count, const char *one, const char *more) {
  return Text("%u %s", U(count), count == 1 ? one : more);
}

std::size_t First_Of(std::size_t preferred, std::size_t fallback) {
  return preferred != NO_OFFSET ? preferred : fallback;
}

// Where a row's first value stands in the file, or 0 when the file does not set it.
std::size_t Row_Offset_In_File(const LoadedTable &table, std::size_t row) {
  const std::size_t index = row * ROW_SIZE;
  if (index >= table.fields.size()) {
    return 0;
  }
  const TableField &field = table.fields[index];
  return First_Of(field.first_nonblank, field.comma_at);
}

void Check_Field(const TableField &field, std::vector<Finding> &findings) {
  if (!field.has_digits) {
    findings.push_back({First_Of(field.first_nonblank, field.comma_at), Severity::Warning,
                        "this field holds no number; it stores 0", "not-a-number"});
    return;
  }
  if (field.ignored_at != NO_OFFSET && field.line_break_before_ignored) {
    findings.push_back({field.first_nonblank, Severity::Warning,
                        "this number has no comma; the next line's first number runs into it "
                        "and is lost, and every later value moves up by one",
                        "no-comma"});
  } else if (field.ignored_at != NO_OFFSET) {
    findings.push_back({field.ignored_at, Severity::Warning,
                        "this text before the comma is ignored; only the number in front of it "
                        "counts",
                        "ignored-text"});
  }
  const int number = Field_Value(field);
  if (number < 0 || number > 255) {
    findings.push_back({field.first_nonblank, Severity::Warning,
                        Text("%d is outside 0 to 255; it stores %u, its low eight bits", number,
                             unsigned{static_cast<std::uint8_t>(number)}),
                        "range"});
  }
}

void Check_Reading(const LoadedTable &table, std::vector<Finding> &findings) {
  for (const TableField &field : table.fields) {
    Check_Field(field, findings);
  }
  if (table.too_many) {
    findings.push_back(
        {table.too_many_at, Severity::Warning,
         Text("more than %u values; this comma and everything after it are ignored", U(TABLE_SIZE)),
         "too-many"});
  }
  if (table.too_long) {
    findings.push_back({TABLE_FILE_MAX_BYTES, Severity::Warning,
                        Text("the file goes on past %u bytes, where the controller stops reading "
                             "it; the rest is ignored",
                             U(TABLE_FILE_MAX_BYTES)),
                        "too-long"});
  }
  if (table.trailing.first_nonblank != NO_OFFSET) {
    findings.push_back({table.trailing.first_nonblank, Severity::Warning,
                        "text after the last comma is ignored; a value counts only with a comma "
                        "after it",
                        "trailing-text"});
  }
  const std::size_t count = table.fields.size();
  if (count % ROW_SIZE != 0) {
    const TableField &last = table.fields.back();
    findings.push_back(
        {First_Of(last.first_nonblank, last.comma_at), Severity::Warning,
         Text("the file's %u values end inside row %u: its last %s the "
              "built-in table's values",
              U(count), U(count / ROW_SIZE),
              Count_Text(ROW_SIZE - count % ROW_SIZE, "column keeps", "columns keep").c_str()),
         "partial-row"});
  }
}

void Check_BuiltInRows(const LoadedTable &table, std::vector<Finding> &findings) {
  const std::size_t rows = Rows_Set(table);
  if (rows >= BUILT_IN_ROWS) {
    return;
  }
  std::string text = rows == 0 ? std::string("the file sets no rows")
                               : Text("the file sets rows 0 to %u", U(rows - 1));
  text += Text("; built-in rows %u to %u remain in force", U(rows), U(BUILT_IN_ROWS - 1));
  findings.push_back({0, Severity::Note, text, "built-in-rows"});
}

void Check_Oscillation(const LoadedTable &table, const RowSet &reached,
                       std::vector<Finding> &findings) {
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
      findings.push_back(
          {Row_Offset_In_File(table, row), Severity::Warning,
           Text("at a constant %u to %u the controller moves between rows %u and %u on every "
                "cycle: row %u's fall of %u lies above its rise of %u",
                low, high, U(row - 1), U(row), U(row),
                Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_FALL),
                Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_RISE)),
           "oscillation"});
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
void Check_BeyondRows(const LoadedTable &table, std::vector<Finding> &findings) {
  const std::size_t rows = Rows_Set(table) > BUILT_IN_ROWS ? Rows_Set(table) : BUILT_IN_ROWS;
  const std::size_t last = rows - 1;
  for (unsigned t = 0; t < TEMPERATURES && last < ROW_TOP; ++t) {
    if (Row_Held_At(table.bytes, static_cast<std::uint8_t>(t)) <= last) {
      continue;
    }
    findings.push_back(
        {Row_Offset_In_File(table, last), Severity::Warning,
         Text("at %u and above the controller climbs past row %u, the last that holds values, "
              "into row %u, which sends %u; give the row after your last one a rise of 255",
              t, U(last), U(last + 1),
              Row_Byte(table.bytes, static_cast<std::uint8_t>(last + 1), COL_VALUE)),
         "beyond-rows"});
    return;
  }
}

// A row whose rise is 255 is a ceiling: it is there to stop the climb, and is
// never meant to be entered.
bool Is_Ceiling(const LoadedTable &table, std::size_t row) {
  return Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_RISE) == 255;
}

void Check_Unreachable(const LoadedTable &table, const RowSet &reached,
                       std::vector<Finding> &findings) {
  const std::size_t rows = Rows_Set(table) < STEPPING_ROWS ? Rows_Set(table) : STEPPING_ROWS;
  for (std::size_t row = 1; row < rows; ++row) {
    if (!reached[row] && !Is_Ceiling(table, row)) {
      findings.push_back(
          {Row_Offset_In_File(table, row), Severity::Warning,
           Text("row %u (rise %u) is never entered: no sequence of temperatures "
                "reaches it from row 0",
                U(row), Row_Byte(table.bytes, static_cast<std::uint8_t>(row), COL_RISE)),
           "unreachable"});
    }
  }
}

// Rows above the controller's top row are never entered, whatever their
// thresholds: one finding for the run of them, ceilings aside.
void Check_AboveTopRow(const LoadedTable &table, std::vector<Finding> &findings) {
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
  const std::string rows =
      first == last ? Text("row %u is", U(first)) : Text("rows %u to %u are", U(first), U(last));
  findings.push_back({Row_Offset_In_File(table, first), Severity::Warning,
                      Text("%s never entered: the controller climbs no higher than row %u",
                           rows.c_str(), U(ROW_TOP)),
                      "unreachable"});
}

} // namespace

int Check_Table(const LoadedTable &table, std::FILE *out) {
  std::vector<Finding> findings;
  Check_Reading(table, findings);
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding &a, const Finding &b) { return a.offset < b.offset; });
  Check_BuiltInRows(table, findings);
  const RowSet reached = Reachable_Rows(table.bytes);
  Check_Oscillation(table, reached, findings);
  Check_BeyondRows(table, findings);
  Check_Unreachable(table, reached, findings);
  Check_AboveTopRow(table, findings);

  std::size_t warnings = 0;
  for (const Finding &finding : findings) {
    const TextPosition at = Position_Of(table.text, finding.offset);
    const bool warning = finding.severity == Severity::Warning;
    warnings += warning ? 1 : 0;
    std::fprintf(out, "%s:%u:%u: %s: %s [%s]\n", table.name.c_str(), U(at.line), U(at.column),
                 warning ? "warning" : "note", finding.text.c_str(), finding.name);
  }
  const std::size_t notes = findings.size() - warnings;
  if (findings.empty()) {
    std::fprintf(out, "%s: no problems found\n", table.name.c_str());
  } else if (notes == 0 || warnings == 0) {
    std::fprintf(out, "%s: %s\n", table.name.c_str(),
                 (warnings ? Count_Text(warnings, "warning", "warnings")
                           : Count_Text(notes, "note", "notes"))
                     .c_str());
  } else {
    std::fprintf(out, "%s: %s, %s\n", table.name.c_str(),
                 Count_Text(warnings, "warning", "warnings").c_str(),
                 Count_Text(notes, "note", "notes").c_str());
  }
  return warnings > 0 ? 1 : 0;
}
