#include "common/console_code_page.h"

#include <windows.h>

#include <cstdlib>

namespace {

UINT previous_code_page = 0;

void Give_Code_Page_Back() {
  if (previous_code_page != 0) {
    SetConsoleOutputCP(previous_code_page);
  }
}

// Ctrl+C, Ctrl+Break, closing the window: the default handler, which runs
// after this one, ends the process.
BOOL WINAPI On_Console_Event(DWORD) {
  Give_Code_Page_Back();
  return FALSE;
}

bool Is_Console(DWORD handle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
}

} // namespace

void Console_Use_Utf8() {
  if (!Is_Console(STD_OUTPUT_HANDLE) && !Is_Console(STD_ERROR_HANDLE)) {
    return;
  }
  const UINT code_page = GetConsoleOutputCP();
  if (code_page == CP_UTF8 || SetConsoleOutputCP(CP_UTF8) == 0) {
    return;
  }
  previous_code_page = code_page;
  SetConsoleCtrlHandler(On_Console_Event, TRUE);
  std::atexit(Give_Code_Page_Back);
}
