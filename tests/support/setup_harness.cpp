#include "tests/support/setup_harness.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "tests/support/win32ui/ui.h"

ChildRun RunChild(const std::string& commandLine, const char* dllOverrides) {
  ChildRun run;
  char savedOverrides[1024] = {0};
  DWORD hadOverrides = 0;
  if (dllOverrides != nullptr) {
    hadOverrides = GetEnvironmentVariableA("WINEDLLOVERRIDES", savedOverrides,
                                           sizeof(savedOverrides));
    std::string value = hadOverrides ? std::string(savedOverrides) + ";" + dllOverrides
                                     : std::string(dllOverrides);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", value.c_str());
  }
  win32ui::Process child;
  run.started = win32ui::Start(commandLine, std::string(), &child);
  if (dllOverrides != nullptr) {
    SetEnvironmentVariableA("WINEDLLOVERRIDES", hadOverrides ? savedOverrides : nullptr);
  }
  if (!run.started) return run;

  std::set<HWND> answered;
  const int limitSteps = 120 * 20;  // two minutes in steps of 50 ms
  int step = 0;
  while (WaitForSingleObject(child.handle, 50) == WAIT_TIMEOUT) {
    if (++step > limitSteps) {
      win32ui::Kill(child, 99);
      WaitForSingleObject(child.handle, INFINITE);
      run.timedOut = true;
      break;
    }
    // Every dialog of the child counts as a box to answer, text or not.
    for (HWND box : win32ui::TopWindows(child.id)) {
      if (win32ui::ClassOf(box) != "#32770" || answered.count(box) != 0) continue;
      HWND button = GetDlgItem(box, IDOK);
      if (button == nullptr) button = GetDlgItem(box, IDYES);
      if (button == nullptr || !IsWindowVisible(button)) continue;
      run.boxes.push_back({win32ui::CaptionOf(box), win32ui::MessageBoxText(box)});
      answered.insert(box);
      PostMessageA(button, BM_CLICK, 0, 0);
    }
  }
  GetExitCodeProcess(child.handle, &run.exitCode);
  win32ui::Close(child);
  return run;
}

std::string TestProgramDirectory() {
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* cut = std::strrchr(path, '\\');
  if (cut != nullptr) cut[1] = '\0';
  return path;
}

std::string HelperCommand(const char* helper, const std::string& args) {
  return Quoted(TestProgramDirectory() + helper) + " " + args;
}

std::string FreshDirectory(const std::string& name) {
  std::string path = "C:\\setup-tests\\" + name;
  CreateDirectoryA("C:\\setup-tests", nullptr);
  RemoveTree(path);
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

bool CopyTestProgram(const char* name, const std::string& destination) {
  return CopyFileA((TestProgramDirectory() + name).c_str(), destination.c_str(), FALSE) != 0;
}

bool WaitForFile(const std::string& path, int seconds) {
  return win32ui::PollUntil([&] { return PathExists(path); }, static_cast<DWORD>(seconds) * 1000);
}
