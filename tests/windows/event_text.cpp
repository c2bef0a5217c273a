// Prints the text of an event of a message file's message table, its one
// insert given, as Event Viewer shows it.
//
//   event_text.exe FILE MESSAGE-ID INSERT

#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t **argv) {
  if (argc != 4) {
    std::fputs("usage: event_text.exe FILE MESSAGE-ID INSERT\n", stderr);
    return 2;
  }
  const HMODULE file = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const auto id = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 0));
  wchar_t *text = nullptr;
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(argv[3])};
  if (file == nullptr ||
      FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                         FORMAT_MESSAGE_ARGUMENT_ARRAY,
                     file, id, 0, reinterpret_cast<wchar_t *>(&text), 0,
                     reinterpret_cast<va_list *>(const_cast<DWORD_PTR *>(inserts))) == 0) {
    std::fprintf(stderr, "no text for message %#lx in %ls (error %lu)\n", id, argv[1],
                 GetLastError());
    return 1;
  }
  std::printf("%ls", text);
  return 0;
}
