# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads model), every
# library linked in statically, so that morvane.exe needs no DLL beside it. Programs built here
# run under Wine (scripts/wine-run.sh): the tests and test discovery use it as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(morvane_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${morvane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${morvane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${morvane_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${morvane_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The header-only PNG writer (libstb-dev) sits outside the mingw tree: it needs nothing of the
# host.
set(STB_INCLUDE_DIR /usr/include/stb CACHE PATH "stb headers")
# FindZLIB would take the import library libz.dll.a and tie the program to zlib1.dll.
set(ZLIB_LIBRARY /usr/${morvane_mingw}/lib/libz.a CACHE FILEPATH "static zlib")
set(ZLIB_INCLUDE_DIR /usr/${morvane_mingw}/include CACHE PATH "zlib headers")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
