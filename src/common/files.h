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

// Replaces the file `name` in `folder` with `size` bytes of `text`: written
// whole to `temporary` in the same folder (made afresh: nothing that stands
// there is followed or written into), then renamed over the file, so that a
// reader finds the old text or the new one, never part of one. The file can
// be read by every account. Where it fails, `why` says at which step and why.
enum class FileReplaced : std::uint8_t {
  Replaced,
  NotWritten, // the folder, or the temporary file, could not be had or written
  NotRenamed, // written, but the rename failed (on Windows, while a reader has the file open)
};
[[nodiscard]] FileReplaced File_Replace(const char *folder, const char *name, const char *temporary,
                                        const char *text, std::size_t size, char *why,
                                        std::size_t why_size);

// The folder the program stands in, its names resolved. False where it
// cannot be known or does not fit.
[[nodiscard]] bool Current_Folder(char *folder, std::size_t size);
