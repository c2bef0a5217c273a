#include "tool/log_line_kinds.h"

#include "app/log_lines.h"
#include "common/console.h"
#include "table/thermal_table.h"

#include <charconv>

namespace {

constexpr std::string_view PLAIN_SEPARATORS = ", \t";

bool Is_Digits(std::string_view text, std::size_t most) {
  if (text.empty() || text.size() > most) {
    return false;
  }
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

} // namespace

bool Parse_Temperature(std::string_view text, std::size_t least, std::uint8_t &temperature) {
  if (!Is_Digits(text, 3) || text.size() < least) {
    return false;
  }
  unsigned value = 0;
  for (const char c : text) {
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  temperature = static_cast<std::uint8_t>(value);
  return value <= 255;
}

bool Table_Numbers(std::string_view line, std::vector<std::int64_t> *numbers) {
  constexpr std::size_t LONGEST = 11; // "-2147483648"
  bool any = false;
  while (!line.empty()) {
    const std::size_t gap = line.find("  ");
    const std::string_view field = line.substr(0, gap);
    std::int64_t number = 0;
    const char *last = field.data() + field.size();
    const auto [end, error] = std::from_chars(field.data(), last, number);
    if (error != std::errc{} || end != last || field.size() > LONGEST) {
      return false;
    }
    if (numbers != nullptr) {
      numbers->push_back(number);
    }
    any = true;
    if (gap == std::string_view::npos) {
      return true;
    }
    line.remove_prefix(gap + 2);
  }
  return any;
}

bool Is_Controller_Message(std::string_view line) {
  constexpr const char *FORMATS[] = {
      LOG_INIT_OK,  LOG_PORT_LIBRARY_ERROR, LOG_NO_BRIDGE, LOG_OPEN_PORT_OK, LOG_HEARTBEAT,
      LOG_RESUMED,  LOG_NO_ANSWER,          LOG_NOT_TAKEN, LOG_PORTS_LOST,   LOG_EC_SILENT,
      LOG_STATUS,   LOG_RELOAD_SENT,        LOAD_HEADER,   LOAD_CANNOT_OPEN, LOAD_TOO_MANY,
      LOAD_TOO_LONG};
  if (line.rfind(CONSOLE_ERROR_MARK, 0) == 0) {
    return true;
  }
  for (const char *format : FORMATS) {
    if (Shows(line, format)) {
      return true;
    }
  }
  return false;
}

bool Is_Controller_Line(std::string_view line) {
  return line.empty() || Table_Numbers(line, nullptr) || Is_Controller_Message(line);
}

bool Plain_Temperatures(std::string_view line, std::vector<std::uint8_t> &temperatures) {
  for (std::size_t at = line.find_first_not_of(PLAIN_SEPARATORS); at != std::string_view::npos;
       at = line.find_first_not_of(PLAIN_SEPARATORS, at)) {
    const std::size_t end = line.find_first_of(PLAIN_SEPARATORS, at);
    std::uint8_t temperature = 0;
    if (!Parse_Temperature(line.substr(at, end - at), 1, temperature)) {
      return false;
    }
    temperatures.push_back(temperature);
    at = end;
  }
  return true;
}
