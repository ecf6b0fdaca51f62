#include "report.h"

#include <windows.h>

#include <cstdio>

namespace e2e {

namespace {
int Failures;
std::string ShotDirectory;
int ShotNumber;
}  // namespace

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  if (out.size() > 300) out = out.substr(0, 140) + "..." + out.substr(out.size() - 140);
  return out + "\"";
}

bool Check(bool condition, const std::string& what, const std::string& detail) {
  if (condition) {
    std::printf("ok   %s\n", what.c_str());
  } else {
    ++Failures;
    std::printf("FAIL %s%s%s\n", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  }
  std::fflush(stdout);
  return condition;
}

bool CheckEqual(const std::string& actual, const std::string& expected, const std::string& what) {
  return Check(actual == expected, what + " is " + Quote(expected),
               actual == expected ? "" : "found " + Quote(actual));
}

void Note(const std::string& line) {
  std::printf("     %s\n", line.c_str());
  std::fflush(stdout);
}

int FailureCount() { return Failures; }

void SetShotDirectory(const std::string& windowsPath) { ShotDirectory = windowsPath; }

void Shot(const std::string& name) {
  if (ShotDirectory.empty()) return;
  Sleep(350);  // let the screen settle
  char file[64];
  std::snprintf(file, sizeof(file), "%02d-%s", ++ShotNumber, name.c_str());
  const std::string request = ShotDirectory + "\\" + file + ".req";
  HANDLE handle = CreateFileA(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  CloseHandle(handle);
  for (int i = 0; i < 200; ++i) {  // up to 10 s for the picture
    if (GetFileAttributesA(request.c_str()) == INVALID_FILE_ATTRIBUTES) {
      Note(std::string("screenshot ") + file + ".png");
      return;
    }
    Sleep(50);
  }
  DeleteFileA(request.c_str());
  Note(std::string("no screenshot taken for ") + file);
}

}  // namespace e2e
