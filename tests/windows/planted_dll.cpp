// A DLL planted beside a program under a system DLL's name, as anyone who
// may write to a Downloads folder could plant one: loaded, it ends the
// process at once with status 99, so that the test sees it was loaded.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void *) {
  if (reason == DLL_PROCESS_ATTACH) {
    ExitProcess(99);
  }
  return TRUE;
}
