// thermal-table check on any table file. For every input that is text: each
// finding has the compilers' form and a line and column inside the text as
// decoded, its name is
// one of the contract's, the count line agrees with the findings, and the
// exit status is 1 exactly when there is a warning.

#include "fuzz_support.h"
#include "tool/check.h"
#include "tool/log_format.h"
#include "tool/table_file.h"

#include <cstdio>
#include <set>
#include <vector>

namespace {

const std::set<std::string> NAMES = {
    "no-comma",    "ignored-text", "not-a-number",  "range",       "trailing-text",
    "too-many",    "partial-row",  "built-in-rows", "oscillation", "beyond-rows",
    "unreachable", "too-long",     "stuck",         "encoding"};

// The text's lines as a column counts them: in bytes, up to each line end
// (a line feed, a carriage return, or both).
std::vector<std::size_t> Line_Lengths(const std::uint8_t *data, std::size_t size) {
  std::vector<std::size_t> lengths{0};
  for (std::size_t i = 0; i < size; ++i) {
    const bool crlf = data[i] == '\r' && i + 1 < size && data[i + 1] == '\n';
    if ((data[i] == '\n' || data[i] == '\r') && !crlf) {
      lengths.push_back(0);
    } else if (!crlf) {
      ++lengths.back();
    }
  }
  return lengths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const MemoryFile file = Memory_File(data, size);
  LoadedTable table;
  std::string error;
  const bool read = Load_TableFile(file.path, table, error);
  Close(file);
  TextEncoding encoding{};
  const std::string decoded =
      Decoded_Text(std::string(reinterpret_cast<const char *>(data), size), encoding);
  Require(read == (decoded.find('\0') == std::string::npos),
          "a readable file loads exactly when its text, as decoded, holds no NUL");
  if (!read) {
    return 0;
  }
  char *report = nullptr;
  std::size_t report_size = 0;
  std::FILE *out = open_memstream(&report, &report_size);
  const int status = Check_Table(table, out);
  std::fclose(out);
  const std::string text(report, report_size);
  std::free(report);
  const std::vector<std::string_view> views = Lines_Of(text);
  const std::vector<std::string> lines(views.begin(), views.end());

  const std::vector<std::size_t> lengths =
      Line_Lengths(reinterpret_cast<const std::uint8_t *>(table.text.data()), table.text.size());
  const std::string prefix = file.path + ":";
  std::size_t warnings = 0;
  Require(!lines.empty(), "the report ends with a count");
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    unsigned long line = 0, column = 0;
    char kind[16] = {};
    Require(lines[i].rfind(prefix, 0) == 0 &&
                std::sscanf(lines[i].c_str() + prefix.size(), "%lu:%lu: %15[a-z]:", &line, &column,
                            kind) == 3,
            "a finding starts FILE:LINE:COLUMN: KIND:");
    Require(line >= 1 && line <= lengths.size(), "a finding's line lies in the input");
    Require(column >= 1 && column <= lengths[line - 1] + 1, "its column lies in that line");
    const std::string severity = kind;
    Require(severity == "warning" || severity == "note", "a finding is a warning or a note");
    warnings += severity == "warning" ? 1 : 0;
    const std::size_t open = lines[i].rfind(" [");
    Require(open != std::string::npos && lines[i].back() == ']' &&
                NAMES.count(lines[i].substr(open + 2, lines[i].size() - open - 3)) == 1,
            "a finding ends with one of the names");
  }
  const std::size_t findings = lines.size() - 1;
  const std::string count = lines.back().substr(prefix.size());
  const std::size_t notes = findings - warnings;
  Require((findings == 0) == (count == " no problems found"), "no findings, no problems");
  Require(warnings == 0 || count.find(" " + std::to_string(warnings) + " warning") == 0,
          "the count names the warnings first");
  Require(notes == 0 || count.find(std::to_string(notes) + " note") != std::string::npos,
          "the count names the notes");
  Require(status == (warnings > 0 ? 1 : 0), "the exit status says whether there are warnings");
  return 0;
}
