// Holds the named mutex and never lets it go, as a hung hardware monitor
// would; says "held" once it holds it. Ended from outside.
//
//   hold_mutex.exe NAME

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t **argv) {
  if (argc != 2) {
    std::fputs("usage: hold_mutex.exe NAME\n", stderr);
    return 2;
  }
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, argv[1]);
  if (mutex == nullptr || WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "cannot hold %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  for (;;) {
    Sleep(INFINITE);
  }
}
