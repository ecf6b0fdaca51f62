# Cross toolchain for 32-bit Windows, the build that ships: MinGW-w64 i686.
# Tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(UMBERLAY_MINGW_TRIPLET i686-w64-mingw32)
set(UMBERLAY_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
