// main() of the test programs whose code waits through payload/threads.h. With
// --legacy-sync (Windows only) the process uses the Windows XP implementation of
// SyncLock and SyncCondition even where the system has the slim ones, so that both
// are tested under Wine; the choice is made before any test makes a primitive.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "payload/threads.h"
#include "tests/support/sync_test_main.h"

namespace {
bool legacyRequested = false;
}

bool LegacySyncRequested() { return legacyRequested; }

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--legacy-sync") != 0) {
      std::fprintf(stderr, "unknown argument %s\n", argv[i]);
      return 2;
    }
    if (!UseLegacySyncForTesting()) {
      std::fprintf(stderr, "--legacy-sync: this build has no other implementation to use\n");
      return 2;
    }
    legacyRequested = true;
  }
  return RUN_ALL_TESTS();
}
