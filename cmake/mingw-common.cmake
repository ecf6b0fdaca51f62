# What both MinGW-w64 cross toolchains share; the including file sets
# UMBERLAY_MINGW_TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32) and
# UMBERLAY_WINE_RUN (the Wine wrapper its programs run through). The posix
# thread model is needed by GoogleTest (std::mutex), and static linking keeps
# the executables free of MinGW runtime DLLs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${UMBERLAY_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UMBERLAY_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${UMBERLAY_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UMBERLAY_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every Windows test and tool runs through the project's Wine wrapper, which
# supplies the project-private prefix and quiet defaults.
set(CMAKE_CROSSCOMPILING_EMULATOR ${UMBERLAY_WINE_RUN})
