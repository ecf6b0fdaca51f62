# Cross toolchain for 64-bit Windows: MinGW-w64 x86_64. The setup that ships
# is the 32-bit build (mingw-i686.cmake); this build of the same code exists
# only so that the extraction benchmarks can time Wine at native speed on
# machines that run 32-bit programs through an emulator. Its programs run in
# the same 64-bit prefixes as the 32-bit ones.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(UMBERLAY_MINGW_TRIPLET x86_64-w64-mingw32)
set(UMBERLAY_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
