// A stand-in for the product's programs in the test payload (Vale.exe,
// config.exe, Sweeper.exe are all this program under different names). It
// shows nothing; it appends one line to C:\e2e-marks\<name>.txt saying that
// it started and in which directory, so a test can see who started it and
// from where. As config.exe it keeps running while C:\e2e-marks\config.hold
// exists (a test then sees that the setup waits for it), and notes its end.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void AppendMark(const char* name, const char* line) {
  CreateDirectoryA("C:\\e2e-marks", nullptr);
  char path[MAX_PATH];
  std::snprintf(path, sizeof(path), "C:\\e2e-marks\\%s.txt", name);
  FILE* file = std::fopen(path, "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", line);
  std::fclose(file);
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Become idle for input at once, as a program with a message loop would.
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);

  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, sizeof(module));
  const char* base = std::strrchr(module, '\\');
  base = base ? base + 1 : module;
  char name[MAX_PATH];
  std::snprintf(name, sizeof(name), "%s", base);
  if (char* dot = std::strrchr(name, '.')) *dot = '\0';

  char cwd[MAX_PATH];
  GetCurrentDirectoryA(sizeof(cwd), cwd);
  char line[2 * MAX_PATH];
  std::snprintf(line, sizeof(line), "started cwd=%s", cwd);
  AppendMark(name, line);

  if (_stricmp(name, "config") == 0) {
    for (int i = 0; i < 1200 && Exists("C:\\e2e-marks\\config.hold"); ++i) Sleep(50);
    AppendMark(name, "ended");
  }
  return 0;
}
