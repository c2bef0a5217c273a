#include "sim_scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

std::filesystem::path Enter_Scratch_Dir(const char *name) {
  const std::filesystem::path dir =
      std::filesystem::path(testing::TempDir()) / (name + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  setenv("THERMAL_SIM_FAST", "1", 1);
  setenv("THERMAL_SIM_TEMPS", "90*1000", 1); // more than a run reads: the list never runs out
  setenv("THERMAL_SIM_TRACE", (dir / "trace.txt").c_str(), 1);
  std::filesystem::current_path(dir);
  return dir;
}

void Leave_Scratch_Dir(const std::filesystem::path &dir) {
  std::filesystem::current_path(testing::TempDir());
  std::filesystem::remove_all(dir);
}

void Write_Table(const std::string &text) { std::ofstream("ThermalTable.txt") << text; }
