# Cross toolchain for 64-bit Windows: MinGW-w64 x86_64 with the posix thread
# model (GoogleTest needs std::mutex), linked statically so that the
# executables need no MinGW runtime DLL. This build is a stand-in for testing
# on machines that cannot start 32-bit programs: the setup that ships is the
# 32-bit one (mingw-i686.cmake). Tests run under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every Windows test and tool runs through the project's Wine wrapper, which
# supplies the 64-bit prefix (UMBERLAY_WINE_ARCH=win64) and quiet defaults.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run64)
