// Stands in for the product's programs (Vale.exe, config.exe, Sweeper.exe)
// in the setup tests: copied under those names, it records that it ran in
// "<its own path>.ran": its path, working directory, command line and whether
// the setup's mutex still existed when it started; "finished" is appended
// after a short while, so a caller that waited for its end finds it there.
// With a file "<its own path>.busy" beside it, it never becomes idle for
// input (it never looks at a message queue) and takes 4 s before it ends.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char program[MAX_PATH] = {0};
  char directory[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, directory);
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "ZKSetupMutex");
  bool mutexPresent = mutex != nullptr;
  if (mutex != nullptr) CloseHandle(mutex);

  char marker[MAX_PATH + 8] = {0};
  std::snprintf(marker, sizeof(marker), "%s.ran", program);
  FILE* out = std::fopen(marker, "wb");
  if (out == nullptr) return 1;
  std::fprintf(out, "program=%s\ncwd=%s\ncmdline=%s\nmutex=%s\n", program, directory,
               GetCommandLineA(), mutexPresent ? "present" : "absent");
  std::fflush(out);

  char busyMark[MAX_PATH + 8] = {0};
  std::snprintf(busyMark, sizeof(busyMark), "%s.busy", program);
  if (GetFileAttributesA(busyMark) != INVALID_FILE_ATTRIBUTES) {
    Sleep(4000);
  } else {
    // Becomes idle for input, then takes a moment before it ends.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    Sleep(300);
  }
  std::fprintf(out, "finished\n");
  std::fclose(out);
  return 0;
}
