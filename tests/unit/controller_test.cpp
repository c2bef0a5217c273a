// The controller's state is a value that start-up fills: a second start-up
// in one process starts fresh. Run on the simulated machine, in-process.

#include "app/controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

TEST(Controller, ASecondStartUpInOneProcessStartsFresh) {
  setenv("THERMAL_SIM_FAST", "1", 1);
  setenv("THERMAL_SIM_TEMPS", "90*10", 1); // more than the run reads: the list never runs out
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) /
                                    ("thermal-controller-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "ThermalTable.txt") << "0,0,0,0,\n45,40,100,0,\n";
  std::filesystem::current_path(dir);

  Controller controller;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(Start_Up(controller));
  Control_Cycle(controller, FIRST_CYCLE_PAUSE_MS);
  Control_Cycle(controller, CYCLE_PAUSE_MS);
  EXPECT_EQ(controller.row, 2);
  EXPECT_EQ(controller.heartbeat, 2);
  controller.silent_reads = 2;

  ASSERT_TRUE(Start_Up(controller));
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(controller.table_count, 8);
  EXPECT_EQ(controller.row, ROW_BOTTOM);
  EXPECT_EQ(controller.heartbeat, 0);
  EXPECT_EQ(controller.silent_reads, 0);
  const std::string listing = "\n0  0  0  0  \n45  40  100  0  \n\nInit_WinRing0 ok\n";
  const std::size_t second = printed.rfind("ThermalTable: ");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(printed.find(listing, second), std::string::npos) << printed;
  std::filesystem::current_path(testing::TempDir());
  std::filesystem::remove_all(dir);
}

} // namespace
