#include "tool/log_reader.h"

#include "app/log_lines.h"
#include "table/thermal_table.h"
#include "tool/log_format.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr std::string_view TEMPERATURE_MARK = Text_Before_Number(LOG_TEMPERATURE);
// The controller's lines on its standard error, as the journal holds them.
constexpr std::string_view STANDARD_ERROR_MARK = "thermal-control: ";
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

// A temperature as the controller prints it: 0 to 255, at least two digits
// ("%02d"), or as a plain list gives it: one to three digits.
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

// A line of the table's echo or listing: numbers, each followed by two
// blanks (the last one's gone where the journal strips a line's end). The
// numbers at its start go to `numbers`, where given: a line where the load
// stopped early goes on with the message why. True when the numbers are the
// whole line.
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

bool Is_Table_Line(std::string_view line) { return Table_Numbers(line, nullptr); }

// Whether the controller writes this message: a line of its own, not a
// temperature's, nor the table's numbers (which a plain list's line of one
// number could be).
bool Is_Controller_Message(std::string_view line) {
  constexpr const char *FORMATS[] = {
      LOG_INIT_OK,  LOG_PORT_LIBRARY_ERROR, LOG_NO_BRIDGE, LOG_OPEN_PORT_OK, LOG_HEARTBEAT,
      LOG_RESUMED,  LOG_NO_ANSWER,          LOG_NOT_TAKEN, LOG_PORTS_LOST,   LOG_EC_SILENT,
      LOG_STATUS,   LOG_RELOAD_SENT,        LOAD_HEADER,   LOAD_CANNOT_OPEN, LOAD_TOO_MANY,
      LOAD_TOO_LONG};
  if (line.rfind(STANDARD_ERROR_MARK, 0) == 0) {
    return true;
  }
  for (const char *format : FORMATS) {
    if (Shows(line, format)) {
      return true;
    }
  }
  return false;
}

// Whether the controller writes this line, besides its temperature lines.
bool Is_Controller_Line(std::string_view line) {
  return line.empty() || Is_Table_Line(line) || Is_Controller_Message(line);
}

struct Reader {
  enum class Kind : std::uint8_t { Unknown, Controller, Plain };
  enum class SetUpOf : std::uint8_t { None, LastCycle, NextCycle };

  LogCycleTaker taker;
  LogReading &reading;
  Kind kind = Kind::Unknown;
  std::optional<LogCycle> last{}; // the cycle whose lines are being read
  LogCycle next{};                // what comes before the next cycle's heartbeat
  SetUpOf set_up_of = SetUpOf::None;
  std::size_t line_number = 0;
  // A table read again between two cycles: the numbers of each line of its
  // echo, then of its listing, which has as many lines (the journal keeps no
  // empty line between them).
  bool reading_table = false;
  std::vector<std::vector<std::int64_t>> table_lines{};
  bool reload_select = false; // the reload's select: a "not taken" line is about it

  void Emit(const LogCycle &cycle) {
    ++reading.cycles;
    taker.take(taker.context, cycle);
  }

  void Unused(std::string_view line) {
    if (reading.unused++ == 0) {
      reading.first_unused = line_number;
      reading.first_unused_text = Shown(line);
    }
  }

  void Finish_Last() {
    if (last) {
      Emit(*last);
      last.reset();
    }
  }

  // A cycle's line: its temperature, as the controller prints it.
  void Read_Temperature(std::string_view line, std::size_t mark) {
    Finish_Last();
    std::uint8_t temperature = 0;
    if (Parse_Temperature(line.substr(mark + TEMPERATURE_MARK.size()), 2, temperature)) {
      last = next;
      last->temperature = temperature;
    } else {
      Unused(line);
    }
    next = LogCycle{};
    set_up_of = SetUpOf::None;
    reload_select = false;
  }

  // The table's echo and listing after the cycles began: the controller read
  // it again. The cycle before it is complete; the table read applies from
  // the next cycle on.
  bool Begin_Table(std::string_view line) {
    if (!Shows(line, LOAD_HEADER) || (!last && reading.cycles == 0)) {
      return false;
    }
    Finish_Last();
    reading_table = true;
    table_lines.clear();
    return true;
  }

  // A line of the table's echo or listing, or where its load stopped early.
  bool Take_Table_Line(std::string_view line) {
    if (line.empty()) {
      return true;
    }
    std::vector<std::int64_t> numbers;
    if (!Table_Numbers(line, &numbers) && !Shows(line, LOAD_TOO_MANY) &&
        !Shows(line, LOAD_TOO_LONG)) {
      return false;
    }
    table_lines.push_back(std::move(numbers));
    return true;
  }

  // The echo is the first half of the lines, a line of its own where the
  // load stopped early included; its numbers over the built-in rows, as the
  // controller stores them: their low eight bits.
  void Finish_Table() {
    if (!reading_table) {
      return;
    }
    reading_table = false;
    ThermalTableBytes table = BUILT_IN_TABLE;
    std::size_t count = 0;
    for (std::size_t i = 0; i < (table_lines.size() + 1) / 2; ++i) {
      for (const std::int64_t number : table_lines[i]) {
        if (count < TABLE_SIZE) {
          table[count++] = static_cast<std::uint8_t>(number);
        }
      }
    }
    if (taker.table_read != nullptr) {
      taker.table_read(taker.context, table);
    }
  }

  void Read_Set_Up() {
    if (set_up_of == SetUpOf::NextCycle) {
      next.resume_set_up_done = true;
    } else if (set_up_of == SetUpOf::LastCycle && last) {
      last->set_up_done = true;
    }
    set_up_of = SetUpOf::None;
  }

  // What the controller did with the last cycle's read, or before the next.
  void Read_Controller_Line(std::string_view line) {
    if (Begin_Table(line)) {
      return;
    }
    if (Shows(line, LOG_RELOAD_SENT)) {
      next.reload_sent = true;
      reload_select = true;
    } else if (Shows(line, LOG_NOT_TAKEN) && reload_select) {
      next.reload_taken = false;
      reload_select = false;
    } else if (Shows(line, LOG_RESUMED)) {
      next.resumed = true;
      set_up_of = SetUpOf::NextCycle;
    } else if (Shows(line, LOG_OPEN_PORT_OK)) {
      Read_Set_Up();
    } else if (!last) {
      return;
    } else if (Shows(line, LOG_NO_ANSWER)) {
      last->read = EcRead::NoAnswer;
    } else if (Shows(line, LOG_PORTS_LOST)) {
      last->read = EcRead::PortsLost;
      set_up_of = SetUpOf::LastCycle;
    } else if (Shows(line, LOG_EC_SILENT)) {
      set_up_of = SetUpOf::LastCycle;
    } else if (Shows(line, LOG_NOT_TAKEN)) {
      last->select_taken = false;
    }
  }

  void Read_Controller(std::string_view line) {
    if (reading_table && Take_Table_Line(line)) {
      return;
    }
    Finish_Table();
    const std::size_t mark = line.find(TEMPERATURE_MARK);
    if (mark != std::string_view::npos) {
      Read_Temperature(line, mark);
    } else if (Is_Controller_Line(line)) {
      Read_Controller_Line(line);
    } else {
      Unused(line);
    }
  }

  // A line of temperatures, all of them, or none when one is not.
  void Read_Plain(std::string_view line) {
    std::vector<std::uint8_t> temperatures;
    for (std::size_t at = line.find_first_not_of(PLAIN_SEPARATORS); at != std::string_view::npos;
         at = line.find_first_not_of(PLAIN_SEPARATORS, at)) {
      const std::size_t end = line.find_first_of(PLAIN_SEPARATORS, at);
      std::uint8_t temperature = 0;
      if (!Parse_Temperature(line.substr(at, end - at), 1, temperature)) {
        Unused(line);
        return;
      }
      temperatures.push_back(temperature);
      at = end;
    }
    for (const std::uint8_t temperature : temperatures) {
      Emit(LogCycle{temperature});
    }
  }

  // Trailing blanks do not count: the journal strips them.
  void Read_Line(std::string_view line) {
    ++line_number;
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (kind == Kind::Unknown) {
      if (line.find_first_not_of(" \t") == std::string_view::npos) {
        return;
      }
      const bool controller =
          line.find(TEMPERATURE_MARK) != std::string_view::npos || Is_Controller_Message(line);
      kind = controller ? Kind::Controller : Kind::Plain;
    }
    if (kind == Kind::Controller) {
      Read_Controller(line);
    } else {
      Read_Plain(line);
    }
  }
};

} // namespace

std::string Shown(std::string_view text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      shown += escape;
    }
  }
  return shown;
}

bool Read_Log(std::FILE *log, LogCycleTaker taker, LogReading &reading, std::string &error) {
  Reader reader{.taker = taker, .reading = reading};
  std::string line;
  int c = std::fgetc(log);
  while (c != EOF) {
    if (c == '\n' || c == '\r') {
      const int after = std::fgetc(log);
      c = c == '\r' && after == '\n' ? std::fgetc(log) : after;
      reader.Read_Line(line);
      line.clear();
      continue;
    }
    if (line.size() == LOG_LINE_MAX) {
      error = "line " + std::to_string(reader.line_number + 1) + " is longer than " +
              std::to_string(LOG_LINE_MAX) + " bytes: this is no log";
      return false;
    }
    line += static_cast<char>(c);
    c = std::fgetc(log);
  }
  if (std::ferror(log) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!line.empty()) {
    reader.Read_Line(line);
  }
  reader.Finish_Table();
  reader.Finish_Last();
  return true;
}
