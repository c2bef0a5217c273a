#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

MemoryFile Memory_File(const std::uint8_t *data, std::size_t size) {
  const int fd = memfd_create("fuzz-input", 0);
  Require(fd >= 0, "memfd_create works");
  Require(write(fd, data, size) == static_cast<ssize_t>(size), "the input is written whole");
  return {fd, "/proc/self/fd/" + std::to_string(fd)};
}

void Close(const MemoryFile &file) { close(file.fd); }

std::string Printed_Since_Last_Call() {
  static const int out = [] {
    std::fflush(stdout);
    const int fd = memfd_create("fuzz-stdout", 0);
    Require(fd >= 0 && dup2(fd, STDOUT_FILENO) == STDOUT_FILENO, "standard output is captured");
    return fd;
  }();
  std::fflush(stdout);
  std::string text;
  char buffer[4096];
  for (ssize_t got;
       (got = pread(out, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  Require(ftruncate(out, 0) == 0 && lseek(STDOUT_FILENO, 0, SEEK_SET) == 0, "the capture rewinds");
  return text;
}

void Require(bool holds, const char *property) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
  }
}
