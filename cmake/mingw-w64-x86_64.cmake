# Cross build for 64-bit Windows 10 and 11 with Debian's mingw-w64 (the -posix compilers, which
# have std::thread and std::mutex). The programs link their runtime statically, so each .exe runs
# alone, and run under Wine for the tests through scripts/wine-run.
#
# Libraries, headers, packages and pkg-config files are searched for in the target's prefixes
# only, never the host's: mingw-w64's own and TRANSVANE_WINDOWS_DEPS, the libraries that
# scripts/build-windows-deps builds (build/windows-deps/prefix unless given).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT TRANSVANE_WINDOWS_DEPS)
  cmake_path(SET TRANSVANE_WINDOWS_DEPS NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps/prefix")
endif()
# The compiler checks read this file again in a project of their own; they must see the same
# prefixes, since the pkg-config setting below is the whole process's.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRANSVANE_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH ${TRANSVANE_WINDOWS_DEPS} /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${TRANSVANE_WINDOWS_DEPS}/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# A library's own CMake package knows how it was built (a static libxml2 wants LIBXML_STATIC);
# CMake's find modules only guess from the headers and pkg-config.
set(CMAKE_FIND_PACKAGE_PREFER_CONFIG ON)

# Windows 10 and later's API, and the wide (W) forms of the Win32 calls by default. The C99 printf
# and scanf of mingw-w64 rather than the system C runtime's, which rounds, pads and overflows in
# ways of its own: the unit's sentences must come out byte for byte as on Linux.
set(windows_defines
    "-D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00 -DNTDDI_VERSION=0x0A000000 -DUNICODE -D_UNICODE -D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_C_FLAGS_INIT "${windows_defines}")
set(CMAKE_CXX_FLAGS_INIT "${windows_defines}")
set(CMAKE_RC_FLAGS_INIT "${windows_defines}")
unset(windows_defines)

# libgcc, libstdc++ and winpthread linked in, so no mingw DLL has to travel with the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and any try_run() start the programs under Wine, quietly and in a throw-away prefix.
cmake_path(SET CMAKE_CROSSCOMPILING_EMULATOR NORMALIZE ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
