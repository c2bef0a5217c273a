# Cross-build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686),
# win32 thread model: nothing needs a threads DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Nothing the programs run throws: no exception machinery and no unwind
# tables; and what no program calls is left out. Each object carries its
# compiler's view too, so that the controller (cmake/windows.cmake) is
# optimised for size as one whole, at its link; the others link as usual.
set(CMAKE_CXX_FLAGS_INIT
    "-fno-exceptions -fno-asynchronous-unwind-tables -ffunction-sections -flto -ffat-lto-objects")
set(CMAKE_CXX_FLAGS_MINSIZEREL_INIT "-Oz -DNDEBUG")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections -fno-lto")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--gc-sections -fno-lto")
set(CMAKE_AR i686-w64-mingw32-gcc-ar-win32)
set(CMAKE_RANLIB i686-w64-mingw32-gcc-ranlib-win32)
