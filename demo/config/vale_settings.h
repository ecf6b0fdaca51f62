// The demo's settings, shared by the configuration program (which edits and
// saves them) and the game (which shows them): the text of the settings
// file, VALE.INI in the installation directory, and its parsing. Portable;
// the Windows file access is in settings_file.h.
//
// The file is plain text:
//   [Vale]
//   Resolution=800x600
//   Detail=Medium
//   Sound=On
//   Music=On
// Reading is forgiving: unknown keys, other sections, blank lines and values
// that are not understood leave the default of that setting in place, so a
// damaged file never stops the programs.
#pragma once

#include <cstddef>
#include <string>

namespace vale {

constexpr char SettingsFileName[] = "VALE.INI";

struct Resolution {
  int width;
  int height;
};
constexpr Resolution Resolutions[] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
constexpr int ResolutionCount = sizeof(Resolutions) / sizeof(Resolutions[0]);

constexpr const char* DetailNames[] = {"Low", "Medium", "High"};
constexpr int DetailCount = sizeof(DetailNames) / sizeof(DetailNames[0]);

struct Settings {
  int resolution = 1;  // index into Resolutions: 800x600
  int detail = 1;      // index into DetailNames: Medium
  bool sound = true;
  bool music = true;
};

bool operator==(const Settings& a, const Settings& b);

// The file's text for the settings, lines ending in "\r\n".
std::string FormatSettings(const Settings& settings);

// The settings a file's text gives, starting from the defaults.
Settings ParseSettings(const char* text, size_t size);

// "800x600" for index 1; "?" for an index out of range.
std::string ResolutionText(int index);

}  // namespace vale
