#pragma once

#include "common/text_encoding.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// The thermal table: a flat run of bytes read four at a time as rows.
constexpr std::size_t TABLE_SIZE = 1024;
constexpr std::size_t ROW_SIZE = 4;

// Columns of a row.
constexpr std::size_t COL_RISE = 0;  // entered from below when the temperature is above it
constexpr std::size_t COL_FALL = 1;  // left downward when the temperature is below it
constexpr std::size_t COL_VALUE = 2; // sent to the EC when the row is entered
constexpr std::size_t COL_EXTRA = 3; // only shown

using ThermalTableBytes = std::array<std::uint8_t, TABLE_SIZE>;

// What a load saw besides the bytes it stored: the whole number of each
// value, as its echo shows it (a stored byte keeps only its low eight bits),
// and the file's encoding.
struct TableLoad {
  std::array<int, TABLE_SIZE> numbers{};
  TextEncoding encoding = TextEncoding::Unmarked;
};

// The rows the controller can be in: it climbs no higher than row 63, and row
// 0 has no row below it to take a value from. Rows 64 to 255 are stored and
// listed, and from row 63 the controller consults row 64's rise, but none of
// them is ever current.
constexpr std::uint8_t ROW_BOTTOM = 0;
constexpr std::uint8_t ROW_TOP = 63;

// The eight built-in rows; the rest of a table starts as zeros.
constexpr std::size_t BUILT_IN_ROWS = 8;
extern const std::array<std::uint8_t, BUILT_IN_ROWS * ROW_SIZE> BUILT_IN_ROW_BYTES;

// The table before any file is read: the built-in rows, then zeros.
[[nodiscard]] ThermalTableBytes Built_In_Table();

// The file a table is read from, in the current directory.
constexpr const char *THERMAL_TABLE_FILE = "ThermalTable.txt";

// Only a table file's first MiB counts: a table within the storage's limits
// (1024 values of at most 30 characters each) is some 32 KiB, twice that in
// UTF-16, and a load stops there whatever the file holds.
constexpr std::size_t TABLE_FILE_MAX_BYTES = 1024 * 1024;

// A table is text in one of the encodings Windows writes (see
// common/text_encoding.h), read as its UTF-8: the same digits give the same
// table in any of them. A text that holds a NUL character is none of them
// (UTF-16 whose first character does not show it, UTF-32, a binary file):
// it is refused whole, never read as values.
constexpr char TABLE_NOT_TEXT[] =
    "it holds NUL characters, so it is no text of numbers (save it as UTF-8 or ANSI)";

// The loader's lines on standard output, as it prints them: the header, each
// value echoed, and where a load stops early; or that the file cannot be
// used. Start-up prints them, and thermal-table's replay knows them.
constexpr char LOAD_HEADER[] = "ThermalTable: \n";
constexpr char LOAD_VALUE[] = "%d  ";
constexpr char LOAD_CANNOT_OPEN[] = "open ThermalTable file err! \n";
constexpr char LOAD_TOO_MANY[] = "%s holds more than %u values; the rest is ignored\n";
constexpr char LOAD_TOO_LONG[] = "%s goes on past %u bytes; the rest is ignored\n";

// Reading a table's text, one byte at a time, as the loader does. A field is
// everything between two commas: leading white space, an optional sign, then
// decimal digits; whatever follows the digits is ignored. At each comma the
// field's number (saturated to the int range) is stored as its low eight bits
// in the table the caller hands over, at the index its count of stored values
// gives, and the count goes up by one. The positions are byte offsets in the
// text as read (UTF-8, the mark left out), for tools that point at what they
// find; NO_OFFSET where there is none.
constexpr std::size_t NO_OFFSET = static_cast<std::size_t>(-1);

enum class FieldPhase : std::uint8_t { Leading, Digits, Ignored };

struct TableField {
  FieldPhase phase = FieldPhase::Leading;
  bool negative = false;
  bool has_digits = false;
  std::int64_t magnitude = 0; // held at INT_MAX + 1 at most, enough to saturate either way
  std::size_t first_nonblank = NO_OFFSET; // the number's sign or first digit, or what stands there
  std::size_t ignored_at = NO_OFFSET;     // the first non-blank byte after the number
  bool line_break_before_ignored = false;
  bool line_break_after_number = false; // a line feed or a carriage return
  std::size_t comma_at = NO_OFFSET;
};

struct TableReader {
  TableField field; // the field being read
  TableField last;  // the field the last comma ended
  std::size_t offset = 0;
};

enum class TableByte : std::uint8_t {
  Field,   // part of a field (or of the text after the last comma)
  Value,   // a comma: `last` holds the field, and its value is stored
  TooMany, // a comma beyond the storage's last value: the load ends here
};

// Feeds the next byte of the file; a value goes to table[count].
[[nodiscard]] TableByte Table_Feed(TableReader &reader, ThermalTableBytes &table,
                                   std::uint16_t &count, int c);

// A field's number, saturated to the int range.
[[nodiscard]] int Field_Value(const TableField &field);

// Opens a table file to read when it can be used: a plain file that can be
// read, and text. Else nullptr, and `why` says why: the system's reason, that
// it is no plain file, or that it is no text (TABLE_NOT_TEXT). A folder, a
// pipe or a device is never opened: a pipe would hold the reader until
// something writes to it, a device could give bytes for ever.
[[nodiscard]] std::FILE *Open_TableFile(const char *file_name, const char *&why);

// Loads an open table file over the table from index `count` on (0 for a
// fresh load), echoing each value under the header, up to its 1024th value
// or its first MiB; then closes it. What else it saw goes to `load`, where
// given.
void Load_ThermalTable(std::FILE *file, const char *file_name, ThermalTableBytes &table,
                       std::uint16_t &count, TableLoad *load = nullptr);

// Whether a program may use a table file it opened (the controller as a
// service, on a platform where others may have put the file there); false,
// with why in `why`.
using TableTrust = bool (*)(std::FILE *file, char *why, std::size_t size);

// Opens and loads the file, as start-up does. False when the file cannot be
// used, or `trust` refuses it: the table then stays as it was, the standard
// error stream says why, and that the built-in table serves.
[[nodiscard]] bool Read_ThermalTable(const char *file_name, ThermalTableBytes &table,
                                     std::uint16_t &count, TableLoad *load = nullptr,
                                     TableTrust trust = nullptr);

// Lists the first `count` values, four to a line, then an empty line.
void List_ThermalTable(const ThermalTableBytes &table, std::uint16_t count);

// The row the controller moves to from `row` at this temperature: one up when
// the temperature is above the next row's rise (tested first), one down when
// it is below the row's own fall, else `row` itself. At either end the row
// holds.
[[nodiscard]] std::uint8_t Step_Row(const ThermalTableBytes &table, std::uint8_t row,
                                    std::uint8_t temperature);

// A column of a row.
[[nodiscard]] std::uint8_t Row_Byte(const ThermalTableBytes &table, std::uint8_t row,
                                    std::size_t column);
