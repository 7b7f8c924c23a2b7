# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix: the
# posix thread model, which std::thread needs). Programs are linked statically, so a copied
# .exe needs no DLL beside it.
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Tests run under wine where it is installed (ctest in the build folder).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
# Qt for Windows lives outside the mingw-w64 root (scripts/qt-windows builds it into a cache):
# pass its prefix as KESTRUNE_QT_WINDOWS and the windows are built too.
if(KESTRUNE_QT_WINDOWS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KESTRUNE_QT_WINDOWS})
  list(APPEND CMAKE_PREFIX_PATH ${KESTRUNE_QT_WINDOWS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(KESTRUNE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT KESTRUNE_WINE)
  find_program(KESTRUNE_WINE NAMES wine64 wine)
endif()
if(KESTRUNE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRUNE_WINE})
endif()
