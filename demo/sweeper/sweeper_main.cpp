// Sweeper.exe: the demo's uninstaller.
//
// Started without arguments (from the installation directory, the start
// menu or the platform's list of programs) it asks for confirmation. Since a
// running program cannot remove its own file, it then copies itself to the
// temporary folder and starts the copy with "/finish <handle>", handing it
// an inheritable handle of itself, and ends. The copy waits until the
// original has ended, removes the installation (removal.h), shows what it
// could not remove, and ends; its own file was opened delete-on-close by the
// original and handed down, so it goes when the copy ends, and is also
// scheduled for removal at the next restart in case the platform keeps it.
//
// Exit codes: 0 removed (or the work handed to the copy), 1 something was
// left, 2 the user said no.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/sweeper/product_layout.h"
#include "demo/sweeper/removal.h"
#include "demo/sweeper/removal_report.h"

namespace {

constexpr char Caption[] = "Uninstall Umberlay Vale (Demo)";
constexpr char FinishSwitch[] = "/finish";
constexpr DWORD OriginalExitTimeout = 60 * 1000;
constexpr size_t ReportItems = 12;

std::string OwnPath() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

// The handle value after "/finish" on the command line (behind the program
// name), or null.
HANDLE FinishHandle(const char* commandLine) {
  const char* arguments = commandLine;
  if (*arguments == '"') {
    arguments = std::strchr(arguments + 1, '"');
    if (arguments == nullptr) return nullptr;
    ++arguments;
  } else {
    while (*arguments != '\0' && *arguments != ' ' && *arguments != '\t') ++arguments;
  }
  const char* found = std::strstr(arguments, FinishSwitch);
  if (found == nullptr) return nullptr;
  char* end = nullptr;
  unsigned long value = std::strtoul(found + sizeof FinishSwitch - 1, &end, 16);
  if (end == found + sizeof FinishSwitch - 1 || value == 0) return nullptr;
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
}

// Copies the program to the temporary folder and starts the copy; true when
// the copy runs and will do the work.
bool StartCopyInTemp(const std::string& self) {
  char temp[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH - 40) return false;
  char copy[MAX_PATH + 1];
  std::snprintf(copy, sizeof copy, "%sSweeper-%lu.exe", temp, static_cast<unsigned long>(GetCurrentProcessId()));
  if (!CopyFileA(self.c_str(), copy, FALSE)) return false;

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  // Held open delete-on-close by the copy (inherited): the file goes when
  // the copy ends.
  HANDLE deleteOnClose = CreateFileA(copy, DELETE | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                     OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  HANDLE self_handle = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self_handle,
                       SYNCHRONIZE, TRUE, 0)) {
    if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
    DeleteFileA(copy);
    return false;
  }
  char commandLine[MAX_PATH + 64];
  std::snprintf(commandLine, sizeof commandLine, "\"%s\" %s %lx", copy, FinishSwitch,
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(self_handle)));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessA(copy, commandLine, nullptr, nullptr, TRUE, 0, nullptr, temp, &startup, &process);
  CloseHandle(self_handle);
  if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
  if (!started) {
    DeleteFileA(copy);
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

int RemoveAndReport(const std::string& runningProgram) {
  sweeper::RemovalReport report = sweeper::RemoveInstallation(nullptr, runningProgram);
  int code = sweeper::ReportExitCode(report);
  std::string text = sweeper::FormatReport(report, ReportItems);
  MessageBoxA(nullptr, text.c_str(), Caption, MB_OK | MB_SETFOREGROUND |
                                                  (code == 0 ? MB_ICONINFORMATION : MB_ICONWARNING));
  return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string self = OwnPath();
  HANDLE original = FinishHandle(GetCommandLineA());
  // The copy in the temporary folder: let the original end first, so that
  // its file can be removed with the rest. A value that is no handle of
  // ours (typed by hand) gets the usual question instead.
  if (original != nullptr && WaitForSingleObject(original, OriginalExitTimeout) != WAIT_FAILED) {
    CloseHandle(original);
    if (!self.empty()) MoveFileExA(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return RemoveAndReport(std::string());
  }

  char question[256];
  std::snprintf(question, sizeof question,
                "Do you want to remove %s and all of its components from your computer?",
                sweeper::ProductTitle);
  if (MessageBoxA(nullptr, question, Caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) != IDYES) {
    return 2;
  }
  if (!self.empty() && StartCopyInTemp(self)) return 0;

  // No copy could be started: remove everything from here; this program's
  // own file, if the platform keeps it while it runs, goes at the next
  // restart.
  return RemoveAndReport(self);
}
