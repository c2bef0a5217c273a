#pragma once

// Files by name, on every system the same way: a name is UTF-8 (on Windows
// it is turned into UTF-16 for the system's wide calls, so that any name a
// user can type works), and a failure comes with the reason in words. No
// allocation: the controller reads its table through these.

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class FileKind : std::uint8_t {
  Missing,     // there is nothing of that name
  Unreachable, // it cannot be looked at, `why` says why
  Plain,
  Folder,
  Other, // a pipe, a device, a socket
};

// What stands at the name; where there is nothing to look at, `why` says
// why.
[[nodiscard]] FileKind File_Kind(const char *name, const char *&why);

// fopen by name; nullptr with errno set where it fails.
[[nodiscard]] std::FILE *File_Open(const char *name, const char *mode);

// The folder the program stands in, its names resolved. False where it
// cannot be known or does not fit.
[[nodiscard]] bool Current_Folder(char *folder, std::size_t size);
