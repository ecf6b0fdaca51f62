// Starts the registered product the way the setup does at its end, in a
// process of its own: takes the setup's guard, then LaunchGameAndExit, which
// gives the guard up, starts "<registered directory>\Vale.exe" and ends the
// process with -1.
#include "install/previous_install.h"
#include "shell/base/start_checks.h"

int main() {
  CheckSingleInstance();
  LaunchGameAndExit();
}
