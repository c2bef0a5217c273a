#include "table/thermal_table.h"

#include "common/console.h"

#include <climits>
#include <cstdint>
#include <cstdio>

// clang-format off
ThermalTableBytes ThermalTable = {
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

std::uint16_t table_count = 0;

namespace {

// A field is everything between two commas. It converts as leading white
// space, an optional sign, then decimal digits; whatever follows the digits is
// ignored. It is converted one character at a time, so a field of any length
// converts the same and nothing needs buffering.
enum class FieldPhase : std::uint8_t { Leading, Digits, Ignored };

struct Field {
  FieldPhase phase = FieldPhase::Leading;
  bool negative = false;
  std::int64_t magnitude = 0; // held at INT_MAX + 1 at most, enough to saturate either way
};

constexpr std::int64_t MAGNITUDE_LIMIT = std::int64_t{INT_MAX} + 1;

bool Is_Blank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool Is_Digit(int c) { return c >= '0' && c <= '9'; }

void Field_AddDigit(Field &field, int c) {
  field.magnitude = field.magnitude * 10 + (c - '0');
  if (field.magnitude > MAGNITUDE_LIMIT) {
    field.magnitude = MAGNITUDE_LIMIT;
  }
}

void Field_Feed(Field &field, int c) {
  switch (field.phase) {
  case FieldPhase::Leading:
    if (Is_Blank(c)) {
      return;
    }
    field.phase = FieldPhase::Digits;
    if (c == '+' || c == '-') {
      field.negative = c == '-';
      return;
    }
    Field_Feed(field, c);
    return;
  case FieldPhase::Digits:
    if (Is_Digit(c)) {
      Field_AddDigit(field, c);
      return;
    }
    field.phase = FieldPhase::Ignored;
    return;
  case FieldPhase::Ignored:
    return;
  }
}

// The field's number, saturated to the int range.
int Field_Value(const Field &field) {
  if (field.negative) {
    return static_cast<int>(-field.magnitude);
  }
  return field.magnitude > INT_MAX ? INT_MAX : static_cast<int>(field.magnitude);
}

// Stores one converted field and echoes the whole number (not the byte kept).
void Store_Value(int number, unsigned &echoed_on_line) {
  ThermalTable[table_count] = static_cast<std::uint8_t>(number); // the low eight bits
  ++table_count;
  Console_Print("%d  ", number);
  if (++echoed_on_line == ROW_SIZE) {
    Console_Print("\n");
    echoed_on_line = 0;
  }
}

// Reads the file to its end (or a read error), storing a value at each comma.
// Text after the last comma belongs to no value and is ignored. A comma
// beyond the storage's last value ends the load as the end of the file would.
void Load_Values(std::FILE *file) {
  Field field;
  unsigned echoed_on_line = 0;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
    if (c != ',') {
      Field_Feed(field, c);
      continue;
    }
    if (table_count == TABLE_SIZE) {
      Console_Print("ThermalTable.txt holds more than 1024 values; the rest is ignored\n");
      return;
    }
    Store_Value(Field_Value(field), echoed_on_line);
    field = Field{};
  }
}

} // namespace

bool Read_ThermalTable(const char *file_name) {
  // Binary mode: line ends stay as they are (both kinds convert as white
  // space) and a Ctrl-Z byte is ordinary data.
  std::FILE *file = std::fopen(file_name, "rb");
  if (file == nullptr) {
    Console_Print("open ThermalTable file err! \n");
    return false;
  }
  Console_Print("ThermalTable: \n");
  Load_Values(file);
  Console_Print("\n");
  std::fclose(file);
  return true;
}

void List_ThermalTable() {
  for (std::size_t i = 0; i < table_count; ++i) {
    Console_Print("%d  ", ThermalTable[i]);
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
