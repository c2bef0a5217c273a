// thermal-table's log reader and replay on any log. The input's first byte
// chooses the table: 1 takes the next 256 bytes as the first 64 rows (any
// table at all), else the built-in one. For every input: a refused log says
// why; an accepted one is replayed cycle for cycle, never leaves rows 0 to
// 63, moves at most one row a cycle and only on an answered read whose
// select the EC took, sends the entered row's value once on each try to
// move, and sends nothing else but the current row's value again, in the
// table in force, after a reload or a set-up the log shows.

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

// The replay's cycles, and each table the log shows read again with the
// cycle it applies from.
struct Replayed {
  std::vector<SimulatedCycle> cycles;
  std::vector<std::pair<std::size_t, ThermalTableBytes>> tables;
};

void Keep_Replayed(void *replayed, const SimulatedCycle &cycle) {
  static_cast<Replayed *>(replayed)->cycles.push_back(cycle);
}

void Keep_Table(void *replayed, const ThermalTableBytes &table) {
  Replayed &kept = *static_cast<Replayed *>(replayed);
  kept.tables.emplace_back(kept.cycles.size(), table);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  ThermalTableBytes table = Built_In_Table();
  if (size > FUZZED_TABLE_BYTES && data[0] == 1) {
    std::copy(data + 1, data + 1 + FUZZED_TABLE_BYTES, table.begin());
    data += 1 + FUZZED_TABLE_BYTES;
    size -= 1 + FUZZED_TABLE_BYTES;
  }
  std::vector<LogCycle> log;
  Replayed replay;
  LogReading read;
  LogReading replayed;
  std::string error;
  const MemoryFile file = Memory_File(data, size);
  std::FILE *text = std::fopen(file.path.c_str(), "rb");
  const bool accepted = Read_Log(text, {Keep_Logged, &log}, read, error);
  std::rewind(text);
  std::string again;
  Require(Replay_Log(table, text, {Keep_Replayed, &replay, Keep_Table}, replayed, again) ==
              accepted,
          "the replay reads the log as the reader does");
  std::fclose(text);
  Close(file);
  if (!accepted) {
    Require(!error.empty(), "a refused log says why");
    return 0;
  }
  const std::vector<SimulatedCycle> &cycles = replay.cycles;
  Require(read.cycles == log.size() && read.unused <= size, "the reading counts what it read");
  Require(read.unused == 0 || read.first_unused > 0, "an unused line is named by its number");
  Require(cycles.size() == log.size(), "one cycle per logged cycle");
  std::uint8_t row = ROW_BOTTOM;
  std::size_t next_table = 0;
  for (std::size_t i = 0; i < cycles.size(); ++i) {
    for (; next_table < replay.tables.size() && replay.tables[next_table].first == i;
         ++next_table) {
      table = replay.tables[next_table].second;
    }
    const SimulatedCycle &c = cycles[i];
    Require(c.row <= ROW_TOP, "the replay stays in rows 0 to 63");
    Require(std::abs(int{c.row} - int{row}) <= 1, "at most one row a cycle");
    Require(c.temperature == log[i].temperature, "the cycle has the logged temperature");
    Require(c.select_count <= CYCLE_SELECTS_MAX, "a cycle's selects fit");
    const bool sent_again =
        log[i].recovery_done || log[i].resume_recovery_done || log[i].reload_sent;
    std::size_t entries = 0;
    for (std::size_t s = 0; s < c.select_count; ++s) {
      const SelectSent &select = c.selects[s];
      if (select.entry) {
        ++entries;
        Require(c.row != row || !select.taken, "an entry the EC took moves");
        continue;
      }
      Require(sent_again, "a value sent again only after a reload or a set-up");
      Require(select.value == Row_Byte(table, row, COL_VALUE),
              "a value sent again is the current row's");
    }
    Require(entries <= 1, "one entry a cycle at most");
    if (c.row != row) {
      Require(log[i].read == EcRead::Answered && log[i].select_taken,
              "only an acted-on read whose select the EC took moves");
      Require(entries == 1 &&
                  c.selects[c.select_count - 1].value == Row_Byte(table, c.row, COL_VALUE),
              "a move sends the row's value");
    }
    row = c.row;
  }
  return 0;
}
