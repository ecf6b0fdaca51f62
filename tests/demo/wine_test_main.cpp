// Runs the Wine tests of the demo's programs; the one argument after the
// GoogleTest flags is the folder that holds Vale.exe, config.exe and
// Sweeper.exe.
#include <gtest/gtest.h>

#include <cstdio>

#include "window_driver.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [gtest flags] PROGRAMS_DIR\n", argv[0]);
    return 2;
  }
  driver::ProgramsDir = driver::ToWindowsPath(argv[1]);
  return RUN_ALL_TESTS();
}
