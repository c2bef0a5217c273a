#include "backends/sim/sim.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
std::FILE *trace_file = nullptr;
}

void Sim_OpenTrace(const std::string &path) {
  trace_file = std::fopen(path.c_str(), "wb"); // "\n" line ends on every system
  if (trace_file == nullptr) {
    std::fprintf(stderr, "thermal-sim: cannot write the trace file %s: %s\n", path.c_str(),
                 std::strerror(errno));
    std::exit(2);
  }
}

void Sim_Trace(const char *format, ...) {
  if (trace_file == nullptr) {
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
