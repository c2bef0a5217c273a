// thermal-table: checks a thermal table before the controller runs it, and
// shows what the controller would do with it, with the controller's own
// loader and stepping.
//
//   thermal-table check [FILE]
//   thermal-table simulate [FILE] (--log LOG | --model HOURS) [--csv OUT] [--svg OUT]
//   thermal-table --help | --version

#include "tool/commands.h"
#include "tool/tool_host.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A run whose standard output did not reach its file did not do its job.
int Finished(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "thermal-table: cannot write the standard output: %s\n",
                 std::strerror(errno));
    return EXIT_BAD_INPUT;
  }
  return status;
}

int Run(int argc, char **argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "check") {
    return Run_Check(argc - 2, argv + 2);
  }
  if (command == "simulate") {
    return Run_Simulate(argc - 2, argv + 2);
  }
  if (Is_Help(command)) {
    Print_Usage(stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("thermal-table %s\n", THERMAL_VERSION);
    return 0;
  }
  return Usage_Error(command.empty() ? "no command"
                                     : ("unknown command " + std::string(command)).c_str());
}

} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> arguments = Tool_Arguments(argc, argv);
  std::vector<char *> pointers;
  for (std::string &argument : arguments) {
    pointers.push_back(argument.data());
  }
  pointers.push_back(nullptr);
  return Finished(Run(static_cast<int>(arguments.size()), pointers.data()));
}
