// Holds a file open to read it as PowerShell's Get-Content -Wait does,
// sharing its reading and writing but not its deletion, so that it cannot be
// renamed; says "held" once it holds it. Ended from outside.
//
//   hold_file.exe PATH

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t **argv) {
  if (argc != 2) {
    std::fputs("usage: hold_file.exe PATH\n", stderr);
    return 2;
  }
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot hold %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  for (;;) {
    Sleep(INFINITE);
  }
}
