#include "tests/support/win32ui/process.h"

#include <vector>

namespace win32ui {

std::string Quoted(const std::string& text) {
  size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\') ++trailing;
  return "\"" + text + std::string(trailing, '\\') + "\"";
}

bool Start(const std::string& commandLine, const std::string& directory, Process* process) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process->handle = info.hProcess;
  process->id = info.dwProcessId;
  return true;
}

bool WaitForExit(const Process& process, DWORD* exitCode, DWORD timeoutMs) {
  if (process.handle == nullptr || WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) {
    return false;
  }
  return GetExitCodeProcess(process.handle, exitCode) != FALSE;
}

bool IsRunning(const Process& process) {
  return process.handle != nullptr && WaitForSingleObject(process.handle, 0) == WAIT_TIMEOUT;
}

void Kill(const Process& process, UINT exitCode) {
  if (IsRunning(process)) TerminateProcess(process.handle, exitCode);
}

void Close(Process& process) {
  if (process.handle != nullptr) CloseHandle(process.handle);
  process = Process();
}

}  // namespace win32ui
