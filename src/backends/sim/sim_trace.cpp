#include "backends/sim/sim.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::FILE *trace_file = nullptr;

// The trace, opened at its first line: what the program tells its platform
// before it reaches the library is traced too.
std::FILE *Trace_File() {
  static bool opened = false;
  if (!opened) {
    opened = true;
    const std::string &path = Sim_Settings().trace_path;
    if (path.empty()) {
      return nullptr;
    }
    trace_file = std::fopen(path.c_str(), "wb"); // "\n" line ends on every system
    if (trace_file == nullptr) {
      std::fprintf(stderr, "thermal-sim: cannot write the trace file %s: %s\n", path.c_str(),
                   std::strerror(errno));
      std::exit(2);
    }
  }
  return trace_file;
}

} // namespace

void Sim_Trace(const char *format, ...) {
  if (Trace_File() == nullptr) {
    return;
  }
  std::va_list arguments;
  va_start(arguments, format);
  std::vfprintf(trace_file, format, arguments);
  va_end(arguments);
  std::fputc('\n', trace_file);
  if (std::fflush(trace_file) != 0 || std::ferror(trace_file) != 0) {
    std::fprintf(stderr, "thermal-sim: cannot write the trace file: %s\n", std::strerror(errno));
    std::exit(2);
  }
}
