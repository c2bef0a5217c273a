// thermal-table's figures: simulate's cycles per second over a replayed log
// (a plain list of a million temperatures, read from memory) and over the
// thermal model, and check on a file of 1024 values.

#include "bench_table.h"
#include "tool/check.h"
#include "tool/simulate.h"
#include "tool/table_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr std::size_t LOG_CYCLES = 1'000'000;

// A run's summary, as simulate keeps it: each cycle goes on as it comes.
void Sum_Up(void *summary, const SimulatedCycle &cycle) {
  Summary_Take(*static_cast<RunSummary *>(summary), cycle);
}

void BM_SimulateReplayCycles(benchmark::State &state) {
  LoadedTable table;
  Load_BuiltInTable(table);
  std::string log;
  for (std::size_t i = 0; i < LOG_CYCLES; ++i) {
    log += std::to_string(30 + i % 60) + "\n";
  }
  for (auto _ : state) {
    std::FILE *file = fmemopen(log.data(), log.size(), "r");
    RunSummary summary;
    LogReading reading;
    std::string error;
    if (!Replay_Log(table.bytes, file, {Sum_Up, &summary}, reading, error)) {
      state.SkipWithError(error.c_str());
    }
    std::fclose(file);
    benchmark::DoNotOptimize(summary.cycles);
  }
  state.counters["cycles/s"] = benchmark::Counter(static_cast<double>(LOG_CYCLES),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SimulateReplayCycles)->Unit(benchmark::kMillisecond);

void BM_SimulateModelDay(benchmark::State &state) {
  LoadedTable table;
  Load_BuiltInTable(table);
  for (auto _ : state) {
    RunSummary summary;
    Run_Model(table.bytes, 24, {Sum_Up, &summary});
    benchmark::DoNotOptimize(summary.cycles);
  }
  state.counters["cycles/s"] =
      benchmark::Counter(86400, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SimulateModelDay)->Unit(benchmark::kMillisecond);

void BM_Check1024Values(benchmark::State &state) {
  const std::string &path = Full_Table_File();
  std::FILE *sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    LoadedTable table;
    std::string error;
    if (!Load_TableFile(path, table, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(Check_Table(table, sink));
  }
  std::fclose(sink);
}
BENCHMARK(BM_Check1024Values)->Unit(benchmark::kMicrosecond);

} // namespace
