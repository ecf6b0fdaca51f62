#include "install/install_sequence.h"

#include <windows.h>

#include <cstring>

#include "install/path_format.h"
#include "install/progress.h"
#include "install/shortcuts.h"
#include "payload/extract_engine.h"
#include "payload/extract_target.h"
#include "payload/queued_target.h"
#include "payload/win32_target.h"
#include "shell/fatal_error.h"
#include "shell/setup_state.h"
#include "undo/install_journal.h"
#include "undo/journal_undo.h"
#include "undo/win32_registry_journal.h"
#include "undo/win32_undo.h"

namespace {

// How this run's work is taken back after a fatal failure.
UndoActions* RunUndo = nullptr;

// Takes back what this run created (RunJournal), newest first. The destination
// has been the current directory since the extraction, and a directory in use
// as one cannot be removed: the undo works from the Windows directory.
void UndoThisRun() {
  char windows[MAX_PATH + 1];
  const UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
  if (length != 0 && length < sizeof(windows)) SetCurrentDirectoryA(windows);
  if (RunUndo != nullptr) UndoJournal(RunJournal, *RunUndo);
}

// Every fatal failure of the sequence comes after the progress page was
// shown, so the run's work is undone before the box.
[[noreturn]] void FailInstall(HWND page, int32_t code) {
  DestroyWindow(page);
  UndoThisRun();
  ReportFatalError(code);
}

bool SetText(HKEY key, const char* keyPath, const char* name, const char* text, DWORD length) {
  return SetValueRecorded(RunJournal, key, keyPath, name, REG_SZ,
                          reinterpret_cast<const BYTE*>(text), length) == ERROR_SUCCESS;
}

HKEY CreateKey(const char* keyPath) {
  HKEY key = nullptr;
  if (CreateKeyRecorded(RunJournal, keyPath, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

// ProductKey: "pth" and "grp" carry the whole first 1024 bytes of their
// buffers, "chs" is 0.
void WriteProductKey(HWND page) {
  HKEY key = CreateKey(ProductKey);
  if (key == nullptr) FailInstall(page, FatalRegistry);
  bool written = SetText(key, ProductKey, "pth", Setup.InstallDir, PathBufferSize - 1) &&
                 SetText(key, ProductKey, "grp", Setup.ProgramGroup, PathBufferSize - 1);
  if (!written) {
    RegCloseKey(key);
    FailInstall(page, FatalRegistry);
  }
  SetProgress(96);
  DWORD checksum = 0;
  if (SetValueRecorded(RunJournal, key, ProductKey, "chs", REG_DWORD,
                       reinterpret_cast<const BYTE*>(&checksum),
                       sizeof(checksum)) != ERROR_SUCCESS) {
    RegCloseKey(key);
    FailInstall(page, FatalRegistry);
  }
  RegCloseKey(key);
}

// The platform's uninstall entry. Its values are not essential; an
// uninstaller path that would not fit a PathBuffer is left out rather than
// written cut short.
void WriteUninstallKey(HWND page) {
  HKEY key = CreateKey(UninstallKey);
  if (key == nullptr) FailInstall(page, FatalRegistry);
  SetText(key, UninstallKey, "DisplayName", ProductTitle, ProductTitleLength + 1);
  PathBuffer uninstaller;
  if (FormatPath(uninstaller, "%s\\Sweeper.exe", Setup.InstallDir)) {
    SetText(key, UninstallKey, "UninstallString", uninstaller,
            static_cast<DWORD>(std::strlen(uninstaller) + 1));
  }
  RegCloseKey(key);
}

}  // namespace

void RunInstall(HWND page) {
  // The file-system calls run on a thread of their own, beside the decoding;
  // that thread records what they create.
  Win32ExtractTarget files(page, ShowExtractionProgress, &RunJournal);
  QueuedTarget target(files);
  Win32UndoActions undo;
  RunInstallThrough(page, target, undo);
}

void RunInstallThrough(HWND page, ExtractTarget& target, UndoActions& undo) {
  RunUndo = &undo;
  SetStatusText(StatusGathering);
  SetProgress(0);
  SetStatusText(StatusExtracting);
  ResetExtractionProgress();

  // The payload is the locked resource itself, read in place.
  HMODULE module = reinterpret_cast<HMODULE>(GetWindowLongPtrA(page, GWLP_HINSTANCE));
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(PayloadResourceId), PayloadResourceType);
  HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
  const void* archive = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (archive == nullptr) FailInstall(page, FatalRegistry);
  size_t archiveSize = SizeofResource(module, resource);

  // Relative paths of the extraction resolve against the current directory:
  // it must be InstallDir, or nothing is extracted at all.
  if (Setup.InstallDir[0] == '\0' || !SetCurrentDirectoryA(Setup.InstallDir)) {
    FailInstall(page, FatalCannotCreateDirectory);
  }

  ExtractReport report;
  std::memset(&report, 0, sizeof(report));
  int32_t result = ExtractArchive(static_cast<const uint8_t*>(archive), archiveSize, target,
                                  &report);
  if (result != 0 || report.damaged) FailInstall(page, FatalDamagedPayload);
  if (report.failedFiles != 0) FailInstall(page, FatalCannotCopyFiles);

  SetProgress(95);
  SetStatusText(StatusRegistry);
  WriteProductKey(page);
  WriteUninstallKey(page);

  SetProgress(98);
  SetStatusText(StatusStartMenu);
  CreateStartMenuShortcuts();
  if (Setup.WantDesktopShortcut != 0) {
    PathBuffer desktopTarget;
    if (FormatPath(desktopTarget, "%s\\Vale.exe", Setup.InstallDir)) {
      CreateDesktopShortcut(desktopTarget, ProductTitle);
    }
  }

  SetProgress(99);
  SetStatusText(StatusDirectX);
  if (!HasDirectDraw()) {
    MessageBoxA(Setup.MainWindow, DirectXWarning, "Warning", MB_OK | MB_ICONWARNING);
  }

  SetStatusText(StatusComplete);
  SetProgress(100);
  EndDialog(Setup.ProgressPage, 1);
}
