#include "install/previous_install.h"

#include <windows.h>

#include <cstring>

#include "install/install_sequence.h"
#include "shell/base/fatal_error.h"
#include "shell/base/path_format.h"
#include "shell/base/setup_state.h"

namespace {

// Reads a text value of at most capacity bytes into out; out is always
// terminated and is left empty when the read fails (a value longer than the
// capacity fails).
bool ReadText(HKEY key, const char* name, PathBuffer& out, DWORD capacity) {
  PathBuffer value;
  std::memset(value, 0, PathBufferSize);
  DWORD size = capacity;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  value[size < PathBufferSize ? size : PathBufferSize - 1] = '\0';
  std::memcpy(out, value, PathBufferSize);
  return true;
}

// The registered installation directory; false when the key or "pth" cannot
// be read.
bool ReadRegisteredDirectory(PathBuffer& directory, DWORD capacity) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = ReadText(key, "pth", directory, capacity);
  RegCloseKey(key);
  return ok;
}

// Starts program by its full path in directory; the process and thread
// handles come back in info when it started.
bool StartProgram(const char* program, const char* directory, WORD showCommand,
                  PROCESS_INFORMATION* info) {
  char commandLine[PathBufferSize + 2];
  PathBuffer quoted;
  if (!FormatPath(quoted, "\"%s\"", program)) return false;
  std::memcpy(commandLine, quoted, PathBufferSize);

  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  if (showCommand != 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showCommand;
  }
  std::memset(info, 0, sizeof(*info));
  return CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, directory, &startup, info) != 0;
}

}  // namespace

bool FileExists(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool FindPreviousInstall() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  PathBuffer directory;
  DWORD checksum = 0;
  DWORD checksumSize = sizeof(checksum);
  bool registered = ReadText(key, "pth", directory, PathBufferSize) &&
                    RegQueryValueExA(key, "chs", nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(&checksum),
                                     &checksumSize) == ERROR_SUCCESS &&
                    ReadText(key, "grp", Setup.ProgramGroup, PathBufferSize);
  RegCloseKey(key);
  if (!registered) return false;

  PathBuffer uninstaller;
  return FormatPath(uninstaller, "%s\\Sweeper.exe", directory) && FileExists(uninstaller);
}

void LaunchGameAndExit() {
  PathBuffer directory;
  PathBuffer program;
  if (!ReadRegisteredDirectory(directory, PathBufferSize - 1)) AbortSetup();
  bool composed = FormatPath(program, "%s\\Vale.exe", directory);
  SetCurrentDirectoryA(directory);

  // The product may start its own copy of the setup guard: give it up first.
  if (Setup.SetupMutex != nullptr) {
    ReleaseMutex(Setup.SetupMutex);
    CloseHandle(Setup.SetupMutex);
    Setup.SetupMutex = nullptr;
  }
  PROCESS_INFORMATION info;
  if (composed && StartProgram(program, directory, SW_SHOW, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  PostQuitMessage(0);
  ExitProcess(0xFFFFFFFFu);
}

int RunAndWait(const char* program, const char* workingDirectory) {
  PROCESS_INFORMATION info;
  if (!StartProgram(program, workingDirectory, 0, &info)) return 0;
  WaitForInputIdle(info.hProcess, 3000);
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return 1;
}

// Dispatches what is already queued for the setup's windows. Restoring the
// minimised backdrop is finished by messages of its own; if the next page
// were created first, the backdrop would come up in front of it.
static void DispatchPendingMessages() {
  MSG pending;
  while (PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&pending);
    DispatchMessageA(&pending);
  }
}

void RunConfigTool() {
  PathBuffer directory;
  PathBuffer program;
  if (!ReadRegisteredDirectory(directory, PathBufferSize - 1)) return;
  if (!FormatPath(program, "%s\\config.exe", directory)) return;
  SetCurrentDirectoryA(directory);
  ShowWindow(Setup.MainWindow, SW_MINIMIZE);
  RunAndWait(program, directory);
  ShowWindow(Setup.MainWindow, SW_SHOWMAXIMIZED);
  DispatchPendingMessages();
}
