#pragma once

// What the fuzz targets share: their inputs as files that the real readers
// open by name, the standard output of the code under test kept in memory,
// and a property that must hold.

#include <cstddef>
#include <cstdint>
#include <string>

// A file in memory holding the input, and a name to open it by.
struct MemoryFile {
  int fd;
  std::string path; // /proc/self/fd/N
};
MemoryFile Memory_File(const std::uint8_t *data, std::size_t size);
void Close(const MemoryFile &file);

// Standard output goes to a file in memory from the first call on; each call
// returns what was printed since the last one.
std::string Printed_Since_Last_Call();

// Ends the run with a finding when a property does not hold.
void Require(bool holds, const char *property);
