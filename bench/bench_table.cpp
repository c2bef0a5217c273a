#include "bench_table.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string Write_Full_Table() {
  const std::string path =
      (std::filesystem::temp_directory_path() / "thermal-bench-table.txt").string();
  std::ofstream file(path, std::ios::binary);
  for (int row = 0; row < 256; ++row) {
    file << row % 200 << "," << row % 190 << "," << row << ",0,\n";
  }
  std::atexit([] { std::filesystem::remove(Full_Table_File()); });
  return path;
}

} // namespace

const std::string &Full_Table_File() {
  static const std::string path = Write_Full_Table();
  return path;
}
