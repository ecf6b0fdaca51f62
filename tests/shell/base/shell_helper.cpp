// A setup in miniature for the tests of the setup's lower layer that need a
// process of their own: it runs one operation, chosen by its first argument,
// and ends the way that operation ends the setup.
//   fatal CODE                 ReportFatalError(CODE)
//   instance                   exit 0 when CheckSingleInstance refuses, else 3
//   abort                      take the guard, then AbortSetup
//   paths                      InitPaths for a module that does not exist
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "shell/base/fatal_error.h"
#include "shell/base/setup_state.h"
#include "shell/base/start_checks.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* mode = argv[1];
  if (std::strcmp(mode, "fatal") == 0 && argc > 2) ReportFatalError(std::atoi(argv[2]));
  if (std::strcmp(mode, "instance") == 0) return CheckSingleInstance() ? 0 : 3;
  if (std::strcmp(mode, "abort") == 0) {
    CheckSingleInstance();
    AbortSetup();
  }
  if (std::strcmp(mode, "paths") == 0) {
    Setup.ModuleInstance = reinterpret_cast<HINSTANCE>(0x7ff00000);
    InitPaths();
    return 3;
  }
  return 2;
}
