// The controller's table loader on any file: Read_ThermalTable as start-up
// calls it, then the listing. For every input: a text that holds a NUL
// character is refused whole; else at most 1024 values are stored, one per
// comma of the text as decoded; each echoed number's low eight bits are the
// stored byte; the listing shows exactly what was stored; nothing past the
// stored values changes; and the output has the echo's and the listing's
// layout.

#include "fuzz_support.h"
#include "table/thermal_table.h"
#include "tool/table_file.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

std::string Too_Many(const std::string &file_name) {
  return file_name + " holds more than 1024 values; the rest is ignored\n";
}

// Four numbers to a line, each followed by two blanks.
std::string Rows_Text(const std::vector<long long> &numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    text += std::to_string(numbers[i]) + "  ";
    if ((i + 1) % ROW_SIZE == 0) {
      text += "\n";
    }
  }
  return text;
}

std::vector<long long> Numbers_In(std::istringstream &words, std::size_t count) {
  std::vector<long long> numbers;
  long long number = 0;
  while (numbers.size() < count && words >> number) {
    numbers.push_back(number);
  }
  return numbers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static_cast<void>(Printed_Since_Last_Call()); // from here on, output is kept
  ThermalTableBytes table = Built_In_Table();
  std::uint16_t table_count = 0;
  const MemoryFile file = Memory_File(data, size);
  const bool read = Read_ThermalTable(file.path.c_str(), table, table_count);
  List_ThermalTable(table, table_count);
  Close(file);
  const std::string printed = Printed_Since_Last_Call();

  TextEncoding encoding = TextEncoding::Unmarked;
  const std::string text =
      Decoded_Text(std::string(reinterpret_cast<const char *>(data), size), encoding);
  const bool is_text = text.find('\0') == std::string::npos;
  Require(read == is_text, "a readable file loads exactly when its text holds no NUL");
  if (!is_text) {
    Require(printed == "open ThermalTable file err! \n\n" && table == Built_In_Table(),
            "a file that is no text is refused whole");
    return 0;
  }
  const auto commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));
  const std::size_t stored = std::min<std::size_t>(commas, TABLE_SIZE);
  Require(table_count == stored, "one value is stored per comma, 1024 at most");

  const std::string head = "ThermalTable: \n";
  Require(printed.rfind(head, 0) == 0, "the echo starts with its heading");
  std::istringstream words(printed.substr(head.size()));
  const std::vector<long long> echoed = Numbers_In(words, stored);
  Require(echoed.size() == stored, "every stored value is echoed");
  std::vector<long long> listed;
  for (std::size_t i = 0; i < stored; ++i) {
    Require((echoed[i] & 0xFF) == table[i], "an echoed number's low byte is stored");
    listed.push_back(table[i]);
  }
  const bool too_many = commas > TABLE_SIZE;
  const std::string expected = head + Rows_Text(echoed) + (too_many ? Too_Many(file.path) : "") +
                               "\n" + Rows_Text(listed) + "\n";
  Require(printed == expected, "the output is the echo, then the listing of what was stored");
  Require(std::equal(table.begin() + static_cast<long>(stored), table.end(),
                     Built_In_Table().begin() + static_cast<long>(stored)),
          "the values past the file's keep the built-in table");
  return 0;
}
