// What the command line of a test program built with sync_test_main.cpp asked for.
#pragma once

// True when the program was started with --legacy-sync.
bool LegacySyncRequested();
