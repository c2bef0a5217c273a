// thermal-table as a user runs it: the runs and scratch files its tests
// share, and the arguments that name the programs and files they use.

#include "tool_harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

std::vector<std::string> controller;
std::string sample_table;
std::string xmllint;

RunResult Run_Tool(std::vector<std::string> args, const std::optional<std::string> &table,
                   std::vector<std::string> files, void (*prepare)(const std::string &dir)) {
  RunOptions options;
  options.prepare = prepare;
  options.table = table;
  options.args = std::move(args);
  options.trace = false;
  options.run_dir_files = std::move(files);
  return Run_Program(options);
}

namespace {

const std::filesystem::path &Scratch_Dir() {
  static const std::filesystem::path dir = [] {
    char pattern[] = "/tmp/thermal-tool-test-XXXXXX";
    const std::filesystem::path made = mkdtemp(pattern);
    std::atexit([] { std::filesystem::remove_all(Scratch_Dir()); });
    return made;
  }();
  return dir;
}

} // namespace

std::string Temp_Path(const std::string &name) { return (Scratch_Dir() / name).string(); }

std::string Scratch_File(const std::string &name, const std::string &contents) {
  const std::string path = Temp_Path(name);
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  std::vector<char *> rest(argv, argv + argc);
  for (auto it = rest.begin() + 1; it + 1 < rest.end();) {
    const std::string flag = *it;
    if (flag == "--controller") {
      controller = {*(it + 1)};
    } else if (flag == "--xmllint") {
      xmllint = *(it + 1);
    } else if (flag == "--sample") {
      sample_table = Read_File(*(it + 1));
    } else {
      ++it;
      continue;
    }
    it = rest.erase(it, it + 2);
  }
  const int status = Parse_Arguments(static_cast<int>(rest.size()), rest.data());
  return status >= 0 ? status : RUN_ALL_TESTS();
}
