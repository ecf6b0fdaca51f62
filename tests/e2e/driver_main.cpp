// driver: runs the setup program as a person would, for the end-to-end tests
// and for a headless default installation.
//
//   driver install  --setup PATH [--dir DIR] [--group NAME] [--desktop] [--play]
//                   [--shots DIR] [--standins] [--hold-config] [--expect-directx-warning]
//                   [--time-extraction LAST_FILE SIZE]
//
// install: one whole installation with every check. Without --standins the
// payload is the real product: its configuration dialog is answered with OK
// and, after --play, its game window is closed again.
//   driver scenario NAME --setup PATH [--shots DIR]
//
// Paths are Windows paths (Z:\... for the host's files under Wine). Every
// check is printed as "ok ..." or "FAIL ..."; the last line is
// "driver: N failed"; the exit code is 0 when nothing failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report.h"
#include "scenarios.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: driver install --setup PATH [--dir DIR] [--group NAME] [--desktop] [--play]\n"
               "                      [--shots DIR] [--standins] [--hold-config] [--expect-directx-warning]\n"
               "                      [--time-extraction LAST_FILE SIZE]\n"
               "       driver scenario NAME --setup PATH [--shots DIR]\n"
               "scenarios: %s\n",
               e2e::ScenarioList());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  e2e::InstallOptions options;
  std::string scenario;
  int first = 2;
  bool standins = false;
  if (command == "scenario") {
    if (argc < 3) return Usage();
    scenario = argv[2];
    first = 3;
  } else if (command != "install") {
    return Usage();
  }
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string shots;
    if (arg == "--setup") { if (!value(&options.Setup)) return Usage(); }
    else if (arg == "--dir") { if (!value(&options.Dir)) return Usage(); }
    else if (arg == "--group") { if (!value(&options.Group)) return Usage(); }
    else if (arg == "--shots") { if (!value(&shots)) return Usage(); e2e::SetShotDirectory(shots); }
    else if (arg == "--desktop") options.Desktop = true;
    else if (arg == "--play") options.Play = true;
    else if (arg == "--hold-config") options.HoldConfig = true;
    else if (arg == "--standins") standins = true;
    else if (arg == "--expect-directx-warning") options.ExpectDirectDrawWarning = true;
    else if (arg == "--time-extraction") {
      std::string size;
      if (!value(&options.TimedFile) || !value(&size)) return Usage();
      options.TimedFileSize = std::strtoull(size.c_str(), nullptr, 10);
      if (options.TimedFileSize == 0) return Usage();
    }
    else return Usage();
  }
  if (options.Setup.empty()) return Usage();

  if (command == "install") {
    options.Standins = standins;
    e2e::RunInstallation(options);
  } else if (!e2e::RunScenario(scenario, options.Setup)) {
    std::fprintf(stderr, "driver: no scenario \"%s\"\n", scenario.c_str());
    return Usage();
  }
  std::printf("driver: %d failed\n", e2e::FailureCount());
  return e2e::FailureCount() == 0 ? 0 : 1;
}
