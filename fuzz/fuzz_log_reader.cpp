// thermal-table's log reader and replay on any log. The input's first byte
// chooses the table: 1 takes the next 256 bytes as the first 64 rows (any
// table at all), else the built-in one. For every input: a refused log says
// why; an accepted one is replayed cycle for cycle, never leaves rows 0 to
// 63, moves at most one row a cycle and only on an answered read, and sends
// exactly the entered row's value on each move, and otherwise nothing but the
// current row's value again, after a set-up the log shows.

#include "fuzz_support.h"
#include "table/thermal_table.h"
#include "tool/simulate.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t FUZZED_TABLE_BYTES = 256;

void Keep_Logged(void *log, const LogCycle &cycle) {
  static_cast<std::vector<LogCycle> *>(log)->push_back(cycle);
}

void Keep_Replayed(void *cycles, const SimulatedCycle &cycle) {
  static_cast<std::vector<SimulatedCycle> *>(cycles)->push_back(cycle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  ThermalTableBytes table = BUILT_IN_TABLE;
  if (size > FUZZED_TABLE_BYTES && data[0] == 1) {
    std::copy(data + 1, data + 1 + FUZZED_TABLE_BYTES, table.begin());
    data += 1 + FUZZED_TABLE_BYTES;
    size -= 1 + FUZZED_TABLE_BYTES;
  }
  std::vector<LogCycle> log;
  std::vector<SimulatedCycle> cycles;
  LogReading read;
  LogReading replayed;
  std::string error;
  const MemoryFile file = Memory_File(data, size);
  std::FILE *text = std::fopen(file.path.c_str(), "rb");
  const bool accepted = Read_Log(text, {Keep_Logged, &log}, read, error);
  std::rewind(text);
  std::string again;
  Require(Replay_Log(table, text, {Keep_Replayed, &cycles}, replayed, again) == accepted,
          "the replay reads the log as the reader does");
  std::fclose(text);
  Close(file);
  if (!accepted) {
    Require(!error.empty(), "a refused log says why");
    return 0;
  }
  Require(read.cycles == log.size() && read.unused <= size, "the reading counts what it read");
  Require(read.unused == 0 || read.first_unused > 0, "an unused line is named by its number");
  Require(cycles.size() == log.size(), "one cycle per logged cycle");
  std::uint8_t row = ROW_BOTTOM;
  for (std::size_t i = 0; i < cycles.size(); ++i) {
    const SimulatedCycle &c = cycles[i];
    Require(c.row <= ROW_TOP, "the replay stays in rows 0 to 63");
    Require(std::abs(int{c.row} - int{row}) <= 1, "at most one row a cycle");
    Require(c.temperature == log[i].temperature, "the cycle has the logged temperature");
    const bool set_up = log[i].set_up_done || log[i].resume_set_up_done;
    if (c.row != row) {
      Require(log[i].read == EcRead::Answered && log[i].select_taken,
              "only an acted-on read moves");
      Require(c.sent == Row_Byte(table, c.row, COL_VALUE), "a move sends the row's value");
    } else {
      Require(c.sent == -1 || (set_up && c.sent == Row_Byte(table, c.row, COL_VALUE)),
              "no move, nothing sent but the row's value again after a set-up");
    }
    row = c.row;
  }
  return 0;
}
