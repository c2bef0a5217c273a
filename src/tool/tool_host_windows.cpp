#include "tool/tool_host.h"

#include "common/console_code_page.h"
#include "common/wide_text.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

std::vector<std::string> Tool_Arguments(int argc, char **argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  Console_Use_Utf8();
  int count = 0;
  wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    return {argv, argv + argc};
  }
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(Utf8_Of(wide[i]));
  }
  LocalFree(wide);
  return arguments;
}
