#include "tool/log_reader.h"

#include "app/log_lines.h"
#include "common/log_stamp.h"
#include "common/text_source.h"
#include "table/thermal_table.h"
#include "tool/journal_lines.h"
#include "tool/log_format.h"
#include "tool/log_line_kinds.h"
#include "tool/shown.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace {

struct Reader {
  enum class Kind : std::uint8_t { Unknown, Controller, Plain };
  enum class RecoveryOf : std::uint8_t { None, LastCycle, NextCycle };

  LogCycleTaker taker;
  LogReading &reading;
  Kind kind = Kind::Unknown;
  bool journal = false;                // each line carries journalctl's prefix
  const char *unread_format = nullptr; // the log is journalctl's output in this format

  std::optional<LogCycle> last{}; // the cycle whose lines are being read
  LogCycle next{};                // what comes before the next cycle's heartbeat
  RecoveryOf recovery_of = RecoveryOf::None;
  std::size_t line_number = 0;
  // A table read again between two cycles: the numbers of each line of its
  // echo, then of its listing, which has as many lines (the journal keeps no
  // empty line between them).
  bool reading_table = false;
  std::vector<std::vector<std::int64_t>> table_lines{};
  // The send that a "not taken" line is about: the entered row's value, or
  // the row's value sent again after a reload or a set-up.
  enum class Sent : std::uint8_t { Entry, Reload, ResumeRecovery, Recovery };
  Sent last_sent = Sent::Entry;

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

  // The log ends inside a cycle that it shows begun, its read not ended (the
  // program was ended then): the cycle counts, not acted on, where it sent
  // the EC a value before its read.
  void Finish_Interrupted() {
    if (next.reload_sent || next.resume_recovery_done) {
      next.read = EcRead::NoAnswer;
      Emit(next);
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
    recovery_of = RecoveryOf::None;
    last_sent = Sent::Entry;
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
    ThermalTableBytes table = Built_In_Table();
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

  void Read_Recovery() {
    if (recovery_of == RecoveryOf::NextCycle) {
      next.resume_recovery_done = true;
      last_sent = Sent::ResumeRecovery;
    } else if (recovery_of == RecoveryOf::LastCycle && last) {
      last->recovery_done = true;
      last_sent = Sent::Recovery;
    }
    recovery_of = RecoveryOf::None;
  }

  void Read_Not_Taken() {
    switch (last_sent) {
    case Sent::Reload:
      next.reload_taken = false;
      break;
    case Sent::ResumeRecovery:
      next.resume_resend_taken = false;
      break;
    case Sent::Recovery:
      if (last) {
        last->recovery_resend_taken = false;
      }
      break;
    case Sent::Entry:
      if (last) {
        last->select_taken = false;
      }
      break;
    }
  }

  // What the controller did with the last cycle's read, or before the next.
  void Read_Controller_Line(std::string_view line) {
    if (Begin_Table(line)) {
      return;
    }
    if (Shows(line, LOG_RELOAD_SENT)) {
      next.reload_sent = true;
      last_sent = Sent::Reload;
    } else if (Shows(line, LOG_NOT_TAKEN)) {
      Read_Not_Taken();
    } else if (Shows(line, LOG_RESUMED)) {
      next.resumed = true;
      recovery_of = RecoveryOf::NextCycle;
    } else if (Shows(line, LOG_OPEN_PORT_OK)) {
      Read_Recovery();
    } else if (!last) {
      return;
    } else if (Shows(line, LOG_NO_ANSWER)) {
      last->read = EcRead::NoAnswer;
    } else if (Shows(line, LOG_PORTS_LOST)) {
      last->read = EcRead::PortsLost;
      recovery_of = RecoveryOf::LastCycle;
    } else if (Shows(line, LOG_EC_SILENT)) {
      recovery_of = RecoveryOf::LastCycle;
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
    if (!Plain_Temperatures(line, temperatures)) {
      Unused(line);
      return;
    }
    for (const std::uint8_t temperature : temperatures) {
      Emit(LogCycle{temperature});
    }
  }

  // The first line with text says what the log is: journalctl's output in a
  // format of lines or not, the controller's lines or a plain list.
  bool Take_Kind(std::string_view line) {
    unread_format = Unread_Journal_Format(line);
    if (unread_format != nullptr) {
      return false;
    }
    std::string_view message;
    journal = Journal_Message(line, message);
    line = journal ? message : line;
    const bool controller =
        line.find(TEMPERATURE_MARK) != std::string_view::npos || Is_Controller_Message(line);
    kind = controller ? Kind::Controller : Kind::Plain;
    return true;
  }

  // Trailing blanks do not count: the journal strips them. In journalctl's
  // output, each line is what follows its prefix, and its own notes are no
  // lines of the log; in the Windows service's, what follows its time.
  void Read_Line(std::string_view line) {
    ++line_number;
    line.remove_prefix(Stamp_Length(line));
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (Is_Journal_Note(line) ||
        (kind == Kind::Unknown &&
         (line.find_first_not_of(" \t") == std::string_view::npos || !Take_Kind(line)))) {
      return;
    }
    std::string_view message;
    if (journal && !Journal_Message(line, message)) {
      Unused(line);
      return;
    }
    line = journal ? message : line;
    if (kind == Kind::Controller) {
      Read_Controller(line);
    } else {
      Read_Plain(line);
    }
  }
};

} // namespace

bool Read_Log(std::FILE *log, LogCycleTaker taker, LogReading &reading, std::string &error) {
  Reader reader{.taker = taker, .reading = reading};
  std::string line;
  const auto read_line = [&reader, &line, &error] {
    reader.Read_Line(line);
    line.clear();
    if (reader.unread_format != nullptr) {
      error = std::string("this is journalctl's ") + reader.unread_format +
              " output, which is no log of lines: take the log with -o cat, or one of the "
              "short formats";
      return false;
    }
    return true;
  };
  TextSource text;
  Text_Start(text, log);
  int c = Text_Next(text);
  while (c != EOF) {
    if (c == '\n' || c == '\r') {
      const int after = Text_Next(text);
      c = c == '\r' && after == '\n' ? Text_Next(text) : after;
      if (!read_line()) {
        return false;
      }
      continue;
    }
    if (line.size() == LOG_LINE_MAX) {
      error = "line " + std::to_string(reader.line_number + 1) + " is longer than " +
              std::to_string(LOG_LINE_MAX) + " bytes: this is no log";
      return false;
    }
    line += static_cast<char>(c);
    c = Text_Next(text);
  }
  if (std::ferror(log) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!line.empty() && !read_line()) {
    return false;
  }
  reader.Finish_Table();
  reader.Finish_Last();
  reader.Finish_Interrupted();
  return true;
}
