#pragma once

// The table a tool works on: read as the controller reads ThermalTable.txt,
// over the built-in rows, with where each value stands in the file.

#include "table/thermal_table.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

struct LoadedTable {
  std::string name; // as given, for messages
  TextEncoding encoding = TextEncoding::Unmarked;
  std::string text;                           // the file's text, as UTF-8
  ThermalTableBytes bytes = Built_In_Table(); // the table as the controller would hold it
  std::uint16_t count = 0;                    // the values the file stored
  std::vector<TableField> fields;             // one per stored value
  bool too_many = false;                      // the load ended at a comma beyond the last value
  std::size_t too_many_at = NO_OFFSET;
  bool too_long = false; // the file goes on past its first MiB, where the load ends
  TableField trailing;   // the text after the last comma
};

// The name under which a command reads its standard input.
constexpr const char *STANDARD_INPUT = "-";

// Reads the file (STANDARD_INPUT: the standard input) into `table`, over the
// built-in table, as the controller loads it: a plain file, its first MiB at
// most, decoded from the encoding it is in. False, with the reason in
// `error`, where the controller would not use it: it cannot be read, it is a
// folder, a pipe or a device, or it is no text.
[[nodiscard]] bool Load_TableFile(const std::string &path, LoadedTable &table, std::string &error);

// A file's bytes as the controller reads them: UTF-8, whichever of the
// encodings Windows writes they are in, which `encoding` tells.
[[nodiscard]] std::string Decoded_Text(const std::string &bytes, TextEncoding &encoding);

// The built-in table, as the controller runs without a file.
void Load_BuiltInTable(LoadedTable &table);

// 1-based line and column (in bytes of the UTF-8) of an offset in the text. A line ends at
// a line feed, a carriage return, or both.
struct TextPosition {
  std::size_t line;
  std::size_t column;
};
[[nodiscard]] TextPosition Position_Of(const std::string &text, std::size_t offset);

// The rows the file sets (any of their values), 0 when it sets none.
[[nodiscard]] std::size_t Rows_Set(const LoadedTable &table);
