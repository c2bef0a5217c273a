#include "table/thermal_table.h"

#include "common/console.h"
#include "common/files.h"
#include "common/text_source.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

// clang-format off
const std::array<std::uint8_t, BUILT_IN_ROWS * ROW_SIZE> BUILT_IN_ROW_BYTES = {
//  rise fall value extra
      0,   0,    0,   0, // row 0: fall 0 is a floor no temperature is below
     45,  40,  100,   0,
     56,  53,   60,   0,
     60,  58,   30,   0,
     65,  62,   30,   0,
     73,  70,   20,   0,
     82,  75,    2,   0,
    255,   0,  100,   0, // row 7: rise 255 is a ceiling no temperature is above
};
// clang-format on

ThermalTableBytes Built_In_Table() {
  ThermalTableBytes table{};
  std::copy(BUILT_IN_ROW_BYTES.begin(), BUILT_IN_ROW_BYTES.end(), table.begin());
  return table;
}

namespace {

// A field is converted one character at a time, so a field of any length
// converts the same and nothing needs buffering.
constexpr std::int64_t MAGNITUDE_LIMIT = std::int64_t{INT_MAX} + 1;

bool Is_Blank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool Is_Digit(int c) { return c >= '0' && c <= '9'; }

void Field_AddDigit(TableField &field, int c) {
  field.has_digits = true;
  field.magnitude = field.magnitude * 10 + (c - '0');
  if (field.magnitude > MAGNITUDE_LIMIT) {
    field.magnitude = MAGNITUDE_LIMIT;
  }
}

// After the number: only where other text starts, and whether a line break
// came first, matter to the tools that point at it.
void Field_Ignore(TableField &field, int c, std::size_t offset) {
  field.phase = FieldPhase::Ignored;
  if (c == '\n' || c == '\r') {
    field.line_break_after_number = true;
  } else if (!Is_Blank(c) && field.ignored_at == NO_OFFSET) {
    field.ignored_at = offset;
    field.line_break_before_ignored = field.line_break_after_number;
  }
}

void Field_Feed(TableField &field, int c, std::size_t offset) {
  switch (field.phase) {
  case FieldPhase::Leading:
    if (Is_Blank(c)) {
      return;
    }
    field.first_nonblank = offset;
    field.phase = FieldPhase::Digits;
    if (c == '+' || c == '-') {
      field.negative = c == '-';
      return;
    }
    Field_Feed(field, c, offset);
    return;
  case FieldPhase::Digits:
    if (Is_Digit(c)) {
      Field_AddDigit(field, c);
      return;
    }
    Field_Ignore(field, c, offset);
    return;
  case FieldPhase::Ignored:
    Field_Ignore(field, c, offset);
    return;
  }
}

// Echoes the whole number of a stored field (not the byte kept).
void Echo_Value(int number, unsigned &echoed_on_line) {
  Console_Print(LOAD_VALUE, number);
  if (++echoed_on_line == ROW_SIZE) {
    Console_Print("\n");
    echoed_on_line = 0;
  }
}

// Reads the text to its end (or a read error), storing a value at each
// comma. Text after the last comma belongs to no value and is ignored. A
// comma beyond the storage's last value, and the first MiB's end, end the
// load as the end of the file would.
void Load_Values(std::FILE *file, const char *file_name, ThermalTableBytes &table,
                 std::uint16_t &count, TableLoad *load) {
  TableReader reader;
  unsigned echoed_on_line = 0;
  TextSource text;
  Text_Start(text, file);
  if (load != nullptr) {
    load->encoding = text.decoder.encoding;
  }
  for (int c = Text_Next(text); c != EOF; c = Text_Next(text)) {
    if (text.bytes_read > TABLE_FILE_MAX_BYTES) {
      Console_Print(LOAD_TOO_LONG, file_name, unsigned{TABLE_FILE_MAX_BYTES});
      return;
    }
    switch (Table_Feed(reader, table, count, c)) {
    case TableByte::Field:
      break;
    case TableByte::Value:
      Echo_Value(Field_Value(reader.last), echoed_on_line);
      if (load != nullptr) {
        load->numbers[count - 1U] = Field_Value(reader.last);
      }
      break;
    case TableByte::TooMany:
      Console_Print(LOAD_TOO_MANY, file_name, unsigned{TABLE_SIZE});
      return;
    }
  }
  if (std::ferror(file) != 0) {
    Console_Error("reading %s failed: %s; the values read before count\n", file_name,
                  std::strerror(errno));
  }
}

// Whether the file's text, as the loader would read it, holds a NUL
// character; the file is read from its start again after.
bool Holds_Nul(std::FILE *file) {
  TextSource text;
  Text_Start(text, file);
  int c = Text_Next(text);
  while (c != EOF && c != '\0' && text.bytes_read <= TABLE_FILE_MAX_BYTES) {
    c = Text_Next(text);
  }
  std::rewind(file);
  return c == '\0';
}

// Why the table file is not used. Where there is none, the folder looked in
// too, and a file whose name ends twice in .txt there: Explorer hides the
// last, and a user who named it ThermalTable.txt sees that name.
void Say_Not_Used(const char *file_name, const char *why) {
  const char *kind_why = nullptr;
  char folder[4096];
  if (File_Kind(file_name, kind_why) != FileKind::Missing ||
      !Current_Folder(folder, sizeof folder)) {
    Console_Error("cannot use %s: %s; the built-in table serves\n", file_name, why);
    return;
  }
  char doubled[256];
  Text_Format(doubled, sizeof doubled, "%s.txt", file_name);
  const bool hidden_txt = File_Kind(doubled, kind_why) == FileKind::Plain;
  Console_Error("cannot use %s: %s in %s%s%s%s; the built-in table serves\n", file_name, why,
                folder, hidden_txt ? " (but " : "", hidden_txt ? doubled : "",
                hidden_txt ? " is there: Explorer hides its last .txt; rename it)" : "");
}

} // namespace

int Field_Value(const TableField &field) {
  if (field.negative) {
    return static_cast<int>(-field.magnitude);
  }
  return field.magnitude > INT_MAX ? INT_MAX : static_cast<int>(field.magnitude);
}

TableByte Table_Feed(TableReader &reader, ThermalTableBytes &table, std::uint16_t &count, int c) {
  const std::size_t offset = reader.offset++;
  if (c != ',') {
    Field_Feed(reader.field, c, offset);
    return TableByte::Field;
  }
  if (count == TABLE_SIZE) {
    return TableByte::TooMany;
  }
  reader.field.comma_at = offset;
  reader.last = reader.field;
  reader.field = TableField{};
  table[count] = static_cast<std::uint8_t>(Field_Value(reader.last)); // low 8 bits
  ++count;
  return TableByte::Value;
}

std::FILE *Open_TableFile(const char *file_name, const char *&why) {
  switch (File_Kind(file_name, why)) {
  case FileKind::Missing:
  case FileKind::Unreachable:
    return nullptr;
  case FileKind::Folder:
  case FileKind::Other:
    why = "it is no plain file (a folder, a pipe or a device)";
    return nullptr;
  case FileKind::Plain:
    break;
  }
  // Binary mode: line ends stay as they are (both kinds convert as white
  // space) and a Ctrl-Z byte is ordinary data.
  std::FILE *file = File_Open(file_name, "rb");
  if (file == nullptr) {
    why = std::strerror(errno);
  } else if (Holds_Nul(file)) {
    std::fclose(file);
    why = TABLE_NOT_TEXT;
    file = nullptr;
  }
  return file;
}

void Load_ThermalTable(std::FILE *file, const char *file_name, ThermalTableBytes &table,
                       std::uint16_t &count, TableLoad *load) {
  Console_Print(LOAD_HEADER);
  Load_Values(file, file_name, table, count, load);
  Console_Print("\n");
  std::fclose(file);
}

bool Read_ThermalTable(const char *file_name, ThermalTableBytes &table, std::uint16_t &count,
                       TableLoad *load, TableTrust trust) {
  const char *why = nullptr;
  std::FILE *file = Open_TableFile(file_name, why);
  char distrust[256];
  if (file != nullptr && trust != nullptr && !trust(file, distrust, sizeof distrust)) {
    std::fclose(file);
    file = nullptr;
    why = distrust;
  }
  if (file == nullptr) {
    Say_Not_Used(file_name, why);
    Console_Print(LOAD_CANNOT_OPEN);
    return false;
  }
  Load_ThermalTable(file, file_name, table, count, load);
  return true;
}

void List_ThermalTable(const ThermalTableBytes &table, std::uint16_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    Console_Print(LOAD_VALUE, table[i]);
    if ((i + 1) % ROW_SIZE == 0) {
      Console_Print("\n");
    }
  }
  Console_Print("\n");
}

std::uint8_t Row_Byte(const ThermalTableBytes &table, std::uint8_t row, std::size_t column) {
  return table[std::size_t{row} * ROW_SIZE + column];
}

std::uint8_t Step_Row(const ThermalTableBytes &table, std::uint8_t row, std::uint8_t temperature) {
  if (temperature > Row_Byte(table, static_cast<std::uint8_t>(row + 1), COL_RISE)) {
    return row < ROW_TOP ? static_cast<std::uint8_t>(row + 1) : row;
  }
  if (temperature < Row_Byte(table, row, COL_FALL)) {
    return row > ROW_BOTTOM ? static_cast<std::uint8_t>(row - 1) : row;
  }
  return row;
}
