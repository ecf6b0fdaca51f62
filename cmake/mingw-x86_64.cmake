# Cross toolchain for 64-bit Windows: MinGW-w64 x86_64. This build is a
# stand-in for testing on machines that cannot start 32-bit programs: the
# setup that ships is the 32-bit one (mingw-i686.cmake). Tests run under
# 64-bit Wine, through the wrapper that supplies the 64-bit prefix
# (UMBERLAY_WINE_ARCH=win64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(UMBERLAY_MINGW_TRIPLET x86_64-w64-mingw32)
set(UMBERLAY_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
