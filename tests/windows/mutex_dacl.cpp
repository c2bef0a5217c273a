// Prints the owner of a named mutex and the rights on it, as its owner and
// discretionary access control list in the security descriptor string
// format, one line.
//
//   mutex_dacl.exe NAME

#include <windows.h>

#include <aclapi.h>
#include <cstdio>
#include <sddl.h>

int wmain(int argc, wchar_t **argv) {
  constexpr SECURITY_INFORMATION WHAT = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (argc != 2) {
    std::fputs("usage: mutex_dacl.exe NAME\n", stderr);
    return 2;
  }
  const HANDLE mutex = OpenMutexW(READ_CONTROL, FALSE, argv[1]);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  wchar_t *text = nullptr;
  if (mutex == nullptr ||
      GetSecurityInfo(mutex, SE_KERNEL_OBJECT, WHAT, nullptr, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, WHAT,
                                                            &text, nullptr)) {
    std::fprintf(stderr, "cannot read the rights on %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  std::printf("%ls\n", text);
  return 0;
}
