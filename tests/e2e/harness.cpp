#include "harness.h"

#include "tool/log_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

std::vector<std::string> program_command;
bool windows_backend = false;
constexpr unsigned RUN_TIME_LIMIT_S = 60;

void Write_File(const std::filesystem::path &path, const std::string &contents) {
  std::ofstream file(path, std::ios::binary);
  file << contents;
}

// The environment of the run: this process's own, less any simulated
// machine setting of its own, plus the run's settings.
std::vector<std::string> Run_Environment(const RunOptions &options,
                                         const std::filesystem::path &dir) {
  std::vector<std::string> env;
  for (char **entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "THERMAL_SIM_", 12) != 0) {
      env.emplace_back(*entry);
    }
  }
  const bool fast_given = std::any_of(options.env.begin(), options.env.end(),
                                      [](const auto &e) { return e.first == "THERMAL_SIM_FAST"; });
  if (!fast_given && !options.real_time) {
    env.emplace_back("THERMAL_SIM_FAST=1");
  }
  if (options.trace) {
    env.push_back("THERMAL_SIM_TRACE=" + (dir / "trace.txt").string());
  }
  for (const auto &[name, value] : options.env) {
    env.push_back(name + "=" + value);
  }
  return env;
}

std::vector<char *> Pointers(std::vector<std::string> &strings) {
  std::vector<char *> pointers;
  for (std::string &s : strings) {
    pointers.push_back(s.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

// Console output of a Windows program ends its lines with CR LF.
std::string Unix_Line_Ends(std::string text) {
  std::string unix;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      unix += text[i];
    }
  }
  return unix;
}

[[noreturn]] void Exec_Child(const std::filesystem::path &dir, std::vector<std::string> argv,
                             std::vector<std::string> env) {
  const int out = open((dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open((dir / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int in = open("/dev/null", O_RDONLY);
  if (out < 0 || err < 0 || in < 0 || chdir(dir.c_str()) != 0) {
    _exit(127);
  }
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  alarm(RUN_TIME_LIMIT_S);
  execvpe(argv[0].c_str(), Pointers(argv).data(), Pointers(env).data());
  _exit(127);
}

} // namespace

std::string Read_File(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

std::vector<std::string> Cycle_Lines(const RunResult &run) {
  std::vector<std::string> lines = Split_Lines(run.out);
  const auto first = std::find_if(lines.begin(), lines.end(), [](const std::string &line) {
    return line.rfind("heartbat ", 0) == 0;
  });
  return {first, lines.end()};
}

// A program given by its path is run by that path from the run's own
// directory, so a relative path is made absolute first.
void Set_ProgramCommand(std::vector<std::string> command) {
  if (!command.empty() && command.front().find('/') != std::string::npos) {
    command.front() = std::filesystem::absolute(command.front()).string();
  }
  program_command = std::move(command);
}

const std::vector<std::string> &Program_Command() { return program_command; }

void Set_WindowsBackend() { windows_backend = true; }
bool Native_Backend() { return !windows_backend; }

std::vector<std::string> As_Traced(const std::vector<std::string> &trace) {
  return Native_Backend() ? trace : Without_Sleeps_And_Holds(trace);
}

double Seconds_Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

RunningProgram Start_Program(const RunOptions &options) {
  char pattern[] = "/tmp/thermal-e2e-XXXXXX";
  const std::filesystem::path dir = mkdtemp(pattern);
  if (options.table) {
    Write_File(dir / "ThermalTable.txt", *options.table);
  }
  for (const std::string &file : options.run_dir_files) {
    std::filesystem::copy_file(file, dir / std::filesystem::path(file).filename());
  }
  if (options.prepare != nullptr) {
    options.prepare(dir.string());
  }
  std::vector<std::string> env = Run_Environment(options, dir);
  std::vector<std::string> argv = options.command.empty() ? program_command : options.command;
  argv.insert(argv.end(), options.args.begin(), options.args.end());
  const double started = Seconds_Now();
  const pid_t child = fork();
  if (child == 0) {
    Exec_Child(dir, std::move(argv), std::move(env));
  }
  return {child, dir.string(), started};
}

std::string Printed_So_Far(const RunningProgram &running) {
  return Read_File((std::filesystem::path(running.dir) / "out.txt").string());
}

bool Wait_For(const RunningProgram &running, const std::string &text) {
  for (int i = 0; i < 1500; ++i) {
    if (Printed_So_Far(running).find(text) != std::string::npos) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

RunResult Wait_Program(const RunningProgram &running) {
  int status = 0;
  waitpid(running.pid, &status, 0);
  const std::filesystem::path dir = running.dir;
  RunResult result;
  result.seconds = Seconds_Now() - running.started;
  result.exited = WIFEXITED(status);
  result.exit_status = result.exited ? WEXITSTATUS(status) : -1;
  result.out = Read_File((dir / "out.txt").string());
  result.err = Read_File((dir / "err.txt").string());
  if (windows_backend) {
    result.out = Unix_Line_Ends(result.out);
    result.err = Unix_Line_Ends(result.err);
  }
  result.trace = Split_Lines(Read_File((dir / "trace.txt").string()));
  std::filesystem::remove_all(dir);
  return result;
}

RunResult Run_Program(const RunOptions &options) { return Wait_Program(Start_Program(options)); }

RunResult Run_Temperatures(const std::string &temperatures, const std::optional<std::string> &table,
                           const std::string &fault) {
  RunOptions options;
  options.table = table;
  options.env.emplace_back("THERMAL_SIM_TEMPS", temperatures);
  if (!fault.empty()) {
    options.env.emplace_back("THERMAL_SIM_FAULT", fault);
  }
  return Run_Program(options);
}

std::vector<std::string> Split_Lines(const std::string &text) {
  const std::vector<std::string_view> lines = Lines_Of(text);
  return {lines.begin(), lines.end()};
}

std::vector<std::string> Without_Sleeps_And_Holds(const std::vector<std::string> &trace) {
  std::vector<std::string> kept;
  for (const std::string &line : trace) {
    if (line.rfind("sleep ", 0) != 0 && line.rfind("hold ", 0) != 0 &&
        line.rfind("release ", 0) != 0) {
      kept.push_back(line);
    }
  }
  return kept;
}

std::vector<std::string> Status_Lines(const std::string &out) {
  std::vector<std::string> status;
  for (const std::string &line : Split_Lines(out)) {
    if (line.rfind("now select value: ", 0) == 0) {
      status.push_back(line);
    }
  }
  return status;
}

// A select is the command byte 0x55 on the command port; its value is the
// next byte written to the data port.
std::vector<int> Selected_Values(const std::vector<std::string> &trace) {
  std::vector<int> values;
  bool select_pending = false;
  for (const std::string &line : trace) {
    if (line == "out 6c 55") {
      select_pending = true;
    } else if (select_pending && line.rfind("out 68 ", 0) == 0) {
      values.push_back(std::stoi(line.substr(7), nullptr, 16));
      select_pending = false;
    }
  }
  return values;
}

std::vector<std::string> Repeat(const std::vector<std::string> &block, int times) {
  std::vector<std::string> lines;
  for (int i = 0; i < times; ++i) {
    lines.insert(lines.end(), block.begin(), block.end());
  }
  return lines;
}

std::vector<std::string> Joined(std::vector<std::string> head,
                                const std::vector<std::string> &tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

const std::vector<std::string> &Startup_Trace() {
  static const std::vector<std::string> trace = {
      "lib init -> 1",
      "lib status -> 0",
      "hold pci",
      "pci maxbus 5",
      "pci find 8086 9cc3 0 -> 000000f8",
      "pci read 000000f8 84 -> 00000000",
      "pci write 000000f8 84 00040069",
      "release pci",
      "hold isa",
      "out 4e 07",
      "out 4f 12", // logical device 0x12
      "out 4e 30",
      "out 4f 00", // deactivated
      "out 4e 61",
      "out 4f 68", // first base 0x68
      "out 4e 63",
      "out 4f 6c", // second base 0x6c
      "out 4e 30",
      "out 4f 01", // activated
      "release isa",
      "sleep 100",
      "hold ec",
      "in 6c -> 00",
      "out 6c 33",
      "in 6c -> 00",
      "out 68 06", // start-up command with 6
      "release ec",
  };
  return trace;
}

int Parse_Arguments(int argc, char **argv) {
  std::vector<std::string> command(argv + 1, argv + argc);
  if (!command.empty() && command.front() == "--windows-backend") {
    Set_WindowsBackend();
    command.erase(command.begin());
  }
  if (command.empty() && !GTEST_FLAG_GET(list_tests)) {
    std::fprintf(stderr, "usage: %s [gtest flags] [--windows-backend] PROGRAM [ARGS...]\n",
                 argv[0]);
    return 2;
  }
  Set_ProgramCommand(std::move(command));
  return -1;
}

std::string Utf16(const std::string &ascii, bool little_endian) {
  std::string text;
  for (const char c : ascii) {
    text += little_endian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return text;
}

std::string Hex(int byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02x", byte);
  return text;
}

std::vector<std::string> Read_Trace(int temperature) {
  return {"hold ec",
          "in 6c -> 00",
          "out 6c 44",
          "in 6c -> 00",
          "out 68 00",
          "in 6c -> 01",
          "in 68 -> " + Hex(temperature),
          "release ec"};
}

std::vector<std::string> Select_Trace(int value) {
  return {"hold ec",     "in 6c -> 00",          "out 6c 55",
          "in 6c -> 00", "out 68 " + Hex(value), "release ec"};
}

const std::vector<std::string> &Read_Ended_Trace() {
  static const std::vector<std::string> trace = {"hold ec", "in 6c -> 00", "out 6c 44"};
  return trace;
}
