// thermal-table's figures: simulate's cycles per second over a replayed log
// and over the thermal model, and check on a file of 1024 values.

#include "bench_table.h"
#include "tool/check.h"
#include "tool/simulate.h"
#include "tool/table_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr std::size_t LOG_CYCLES = 1'000'000;

void BM_SimulateReplayCycles(benchmark::State &state) {
  LoadedTable table;
  Load_BuiltInTable(table);
  std::vector<LogCycle> log;
  for (std::size_t i = 0; i < LOG_CYCLES; ++i) {
    log.push_back(LogCycle{static_cast<std::uint8_t>(30 + i % 60)});
  }
  for (auto _ : state) {
    std::vector<SimulatedCycle> cycles;
    Replay_Log(table.bytes, log, cycles);
    benchmark::DoNotOptimize(cycles.data());
  }
  state.counters["cycles/s"] = benchmark::Counter(static_cast<double>(LOG_CYCLES),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SimulateReplayCycles)->Unit(benchmark::kMillisecond);

void BM_SimulateModelDay(benchmark::State &state) {
  LoadedTable table;
  Load_BuiltInTable(table);
  for (auto _ : state) {
    std::vector<SimulatedCycle> cycles;
    Run_Model(table.bytes, 24, cycles);
    benchmark::DoNotOptimize(cycles.data());
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
