#include "wine_support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <unistd.h>

std::string wine;
std::filesystem::path standin_dir;
std::filesystem::path missing_ordinal_dir;
std::string hold_mutex;
std::string table_tool;

const std::string LIBRARY_FAILS = "open ThermalTable file err! \n\n\ninitializes the DLL Error\n";

std::string After_No_Table(const std::string &err) {
  const std::regex no_table(R"(thermal-control: cannot use ThermalTable\.txt: No such file or )"
                            R"(directory in Z:\\tmp\\thermal-e2e-\w+; the built-in table )"
                            R"(serves\n)");
  std::smatch found;
  if (!std::regex_search(err, found, no_table, std::regex_constants::match_continuous)) {
    return "(no line naming the folder looked in) " + err;
  }
  return err.substr(static_cast<std::size_t>(found.length(0)));
}

std::filesystem::path Program_Folder(std::initializer_list<const char *> files) {
  char pattern[] = "/tmp/thermal-wine-bin-XXXXXX";
  const std::filesystem::path dir = mkdtemp(pattern);
  std::filesystem::copy_file(standin_dir / "thermal-control.exe", dir / "thermal-control.exe");
  for (const char *file : files) {
    std::filesystem::copy_file(standin_dir / file, dir / file);
  }
  return dir;
}

const std::initializer_list<const char *> LIBRARY_AND_DRIVER = {"WinRing0.dll", "WinRing0.sys",
                                                                "WinRing0x64.sys"};

RunResult Run_From(const std::filesystem::path &program_dir, RunOptions options) {
  options.command = {wine, (program_dir / "thermal-control.exe").string()};
  return Run_Program(options);
}

// Arguments: the command that runs a Windows program, the folder of the exe
// with the stand-in library, that of the exe with the incomplete one, the
// program that holds a mutex, and thermal-table.exe.
int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 6 && !GTEST_FLAG_GET(list_tests)) {
    std::fprintf(stderr, "usage: %s WINE STANDIN_DIR MISSING_ORDINAL_DIR HOLD_MUTEX TABLE_TOOL\n",
                 argv[0]);
    return 2;
  }
  Set_WindowsBackend();
  if (argc == 6) {
    wine = argv[1];
    standin_dir = argv[2];
    missing_ordinal_dir = argv[3];
    hold_mutex = argv[4];
    table_tool = argv[5];
    Set_ProgramCommand({wine, (standin_dir / "thermal-control.exe").string()});
  }
  return RUN_ALL_TESTS();
}
