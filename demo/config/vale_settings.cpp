#include "demo/config/vale_settings.h"

#include <cstdio>
#include <cstring>

namespace vale {

bool operator==(const Settings& a, const Settings& b) {
  return a.resolution == b.resolution && a.detail == b.detail && a.sound == b.sound &&
         a.music == b.music;
}

std::string ResolutionText(int index) {
  if (index < 0 || index >= ResolutionCount) return "?";
  char text[32];
  std::snprintf(text, sizeof text, "%dx%d", Resolutions[index].width, Resolutions[index].height);
  return text;
}

std::string FormatSettings(const Settings& settings) {
  Settings safe = settings;
  if (safe.resolution < 0 || safe.resolution >= ResolutionCount) safe.resolution = Settings().resolution;
  if (safe.detail < 0 || safe.detail >= DetailCount) safe.detail = Settings().detail;
  std::string text = "[Vale]\r\n";
  text += "Resolution=" + ResolutionText(safe.resolution) + "\r\n";
  text += std::string("Detail=") + DetailNames[safe.detail] + "\r\n";
  text += std::string("Sound=") + (safe.sound ? "On" : "Off") + "\r\n";
  text += std::string("Music=") + (safe.music ? "On" : "Off") + "\r\n";
  return text;
}

static std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

static bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// On/Off, Yes/No, 1/0; anything else leaves *value alone.
static void ParseSwitch(const std::string& text, bool* value) {
  if (EqualsIgnoringCase(text, "On") || EqualsIgnoringCase(text, "Yes") || text == "1") *value = true;
  if (EqualsIgnoringCase(text, "Off") || EqualsIgnoringCase(text, "No") || text == "0") *value = false;
}

Settings ParseSettings(const char* text, size_t size) {
  Settings settings;
  bool inSection = false;
  size_t position = 0;
  while (position < size) {
    size_t end = position;
    while (end < size && text[end] != '\n') ++end;
    std::string line = Trim(std::string(text + position, end - position));
    position = end + 1;
    if (!line.empty() && line.back() == '\r') line = Trim(line.substr(0, line.size() - 1));
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      inSection = EqualsIgnoringCase(line, "[Vale]");
      continue;
    }
    size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos) continue;
    std::string key = Trim(line.substr(0, equals));
    std::string value = Trim(line.substr(equals + 1));
    if (EqualsIgnoringCase(key, "Resolution")) {
      for (int i = 0; i < ResolutionCount; ++i) {
        if (EqualsIgnoringCase(value, ResolutionText(i).c_str())) settings.resolution = i;
      }
    } else if (EqualsIgnoringCase(key, "Detail")) {
      for (int i = 0; i < DetailCount; ++i) {
        if (EqualsIgnoringCase(value, DetailNames[i])) settings.detail = i;
      }
    } else if (EqualsIgnoringCase(key, "Sound")) {
      ParseSwitch(value, &settings.sound);
    } else if (EqualsIgnoringCase(key, "Music")) {
      ParseSwitch(value, &settings.music);
    }
  }
  return settings;
}

}  // namespace vale
