# What both MinGW-w64 cross toolchains share; the including file sets
# UMBERLAY_MINGW_TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32) and
# UMBERLAY_WINE_RUN (the Wine wrapper its programs run through).
#
# The programs must start on Windows XP SP3 and later:
# - The win32 thread model compilers: their C++ library builds thread-safe
#   statics and exceptions on the system's own XP-era primitives. The posix
#   model's library goes through winpthreads, which imports GetTickCount64
#   (Vista). The win32 model has no std::thread, std::mutex or
#   std::condition_variable (GCC 12): Windows code uses payload/threads.h, and
#   GoogleTest is built with a Notification of our own (tests/support).
# - _WIN32_WINNT and WINVER 0x0501 (XP): the headers declare nothing later, so
#   a call that XP lacks does not compile. tests/pecheck checks the built
#   programs' imports against what XP SP3 exports.
# Static linking keeps the executables free of MinGW runtime DLLs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${UMBERLAY_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${UMBERLAY_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${UMBERLAY_MINGW_TRIPLET}-windres)

set(UMBERLAY_WINDOWS_VERSION_FLAGS "-D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_C_FLAGS_INIT "${UMBERLAY_WINDOWS_VERSION_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${UMBERLAY_WINDOWS_VERSION_FLAGS}")
set(CMAKE_RC_FLAGS_INIT "${UMBERLAY_WINDOWS_VERSION_FLAGS}")

set(CMAKE_FIND_ROOT_PATH /usr/${UMBERLAY_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every Windows test and tool runs through the project's Wine wrapper, which
# supplies the project-private prefix and quiet defaults.
set(CMAKE_CROSSCOMPILING_EMULATOR ${UMBERLAY_WINE_RUN})
