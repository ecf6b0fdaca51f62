#include "shell/base/start_checks.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/base/fatal_error.h"
#include "shell/base/setup_state.h"

bool CheckSingleInstance() {
  Setup.SetupMutex = CreateMutexA(nullptr, TRUE, "ZKSetupMutex");
  if (GetLastError() == ERROR_ALREADY_EXISTS) return true;

  // "TarnMutex" is only probed: a handle we got is given back at once, so a
  // mutex that did not exist before does not exist after.
  HANDLE tarn = CreateMutexA(nullptr, TRUE, "TarnMutex");
  DWORD tarnError = GetLastError();
  if (tarn != nullptr) {
    ReleaseMutex(tarn);
    CloseHandle(tarn);
  }
  return tarnError == ERROR_ALREADY_EXISTS;
}

void KeepDirectoryPart(char* path) {
  char* lastBackslash = std::strrchr(path, '\\');
  if (lastBackslash == nullptr) {
    path[0] = '\0';
  } else {
    lastBackslash[1] = '\0';
  }
}

void ComposeDefaultDestination(const char* windowsDirectory, char* out, size_t size) {
  char drive[4] = {0, 0, 0, 0};
  for (int i = 0; i < 3 && windowsDirectory[i] != '\0'; ++i) drive[i] = windowsDirectory[i];
  std::snprintf(out, size, "%sProgram Files\\%s", drive, ProductTitle);
}

void InitPaths() {
  std::memset(Setup.SetupPath, 0, PathBufferSize - 1);
  std::memset(Setup.SourceDir, 0, PathBufferSize - 1);

  // A query that fills the whole buffer was cut short: that path is unusable.
  const DWORD capacity = PathBufferSize - 1;
  DWORD length = GetModuleFileNameA(Setup.ModuleInstance, Setup.SetupPath, capacity);
  if (length == 0 || length >= capacity) {
    Setup.SetupPath[0] = '\0';
    ReportFatalError(FatalNoGameDirectory);
  }
  Setup.SetupPath[length] = '\0';

  length = GetModuleFileNameA(Setup.ModuleInstance, Setup.SourceDir, capacity);
  if (length == 0 || length >= capacity) {
    std::memcpy(Setup.SourceDir, Setup.SetupPath, PathBufferSize);
  } else {
    Setup.SourceDir[length] = '\0';
    KeepDirectoryPart(Setup.SourceDir);
  }

  char windowsDirectory[PathBufferSize] = {0};
  GetWindowsDirectoryA(windowsDirectory, PathBufferSize - 1);
  ComposeDefaultDestination(windowsDirectory, Setup.DirField, PathBufferSize);

  std::memset(Setup.ProgramGroup, 0, PathBufferSize - 1);
}
