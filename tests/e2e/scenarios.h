// The end-to-end scenarios: each starts the real setup, drives it as a
// person would and checks what it shows and what it leaves behind. Failures
// are counted by report.h; a scenario returns when it is done or stuck.
#pragma once

#include <string>

namespace e2e {

struct InstallOptions {
  std::string Setup;      // Windows path of setup.exe
  std::string Dir;        // destination to type; empty: keep the default
  std::string Group;      // program group to type; empty: keep the default
  bool Desktop = false;   // mark "Create shortcut on desktop"
  bool Play = false;      // "&Play now" instead of "&Don't play now"
  bool HoldConfig = false;  // keep the configuration stand-in running until checked
  bool ExpectDirectDrawWarning = false;
  bool Shots = true;
  // The payload's programs are the test stand-ins, which note where they ran
  // (C:\e2e-marks); false for the real product, whose configuration dialog is
  // answered with OK and whose game window is closed again.
  bool Standins = true;
  // False when the group's name is one the file system refuses: then no
  // start-menu shortcut can be made, and the installation still completes.
  bool ExpectStartMenu = true;
  // When set: the payload's last file (path below the destination) and its size.
  // The driver then times the extraction, from the group page's Next until that file
  // has all its bytes, polling every few milliseconds, and notes the time.
  std::string TimedFile;
  unsigned long long TimedFileSize = 0;
};

// A whole installation from the welcome page to the end of the setup, with
// every check along the way and of what it leaves behind.
void RunInstallation(const InstallOptions& options);

// Scenario by name (see the list printed by --help).
bool RunScenario(const std::string& name, const std::string& setup);
const char* ScenarioList();

}  // namespace e2e
