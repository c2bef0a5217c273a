// Figures for the cycle's own cost on the simulated machine (the EC answering
// at once, sleeps virtual, output to /dev/null) and for loading a table file
// of 1024 values. The program's output goes to /dev/null; the figures go to
// the standard error stream.

#include "app/controller.h"
#include "bench_table.h"
#include "table/thermal_table.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

void Prepare_Simulated_Machine() {
  setenv("THERMAL_SIM_FAST", "1", 1);
  unsetenv("THERMAL_SIM_TEMPS"); // the thermal model, forever
  unsetenv("THERMAL_SIM_TRACE");
  unsetenv("THERMAL_SIM_FAULT");
}

void BM_ControlCycle(benchmark::State &state) {
  Controller controller;
  if (Start_Up(controller) != 0) {
    state.SkipWithError("start-up failed");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(Control_Cycle(controller, CYCLE_PAUSE_MS));
  }
}
BENCHMARK(BM_ControlCycle);

void BM_LoadTable1024Values(benchmark::State &state) {
  const std::string &path = Full_Table_File();
  for (auto _ : state) {
    ThermalTableBytes table = Built_In_Table();
    std::uint16_t count = 0;
    benchmark::DoNotOptimize(Read_ThermalTable(path.c_str(), table, count));
    benchmark::DoNotOptimize(table.data());
  }
}
BENCHMARK(BM_LoadTable1024Values);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  Prepare_Simulated_Machine();
  // The program's own start-up looks for ThermalTable.txt here.
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  if (std::freopen("/dev/null", "w", stdout) == nullptr) {
    return 1;
  }
  benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
  reporter.SetOutputStream(&std::cerr);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
