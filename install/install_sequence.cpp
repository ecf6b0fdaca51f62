#include "install/install_sequence.h"

#include <windows.h>

#include <cstring>

#include "install/progress.h"
#include "install/registry_writer.h"
#include "install/shortcuts.h"
#include "payload/extract_engine.h"
#include "payload/extract_target.h"
#include "payload/queued_target.h"
#include "payload/win32_target.h"
#include "shell/base/fatal_error.h"
#include "shell/base/page_outcome.h"
#include "shell/base/path_format.h"
#include "shell/base/setup_state.h"

namespace {

[[noreturn]] void FailInstall(HWND page, int32_t code) {
  DestroyWindow(page);
  ReportFatalError(code);
}

bool SetText(RegistryWriter& registry, HKEY key, const char* name, const char* text,
             DWORD length) {
  return registry.SetValue(key, name, REG_SZ, text, length);
}

// ProductKey: "pth" and "grp" carry the whole first 1024 bytes of their
// buffers, "chs" is 0.
void WriteProductKey(HWND page, RegistryWriter& registry) {
  HKEY key = registry.CreateKey(ProductKey);
  if (key == nullptr) FailInstall(page, FatalRegistry);
  bool written = SetText(registry, key, "pth", Setup.InstallDir, PathBufferSize - 1) &&
                 SetText(registry, key, "grp", Setup.ProgramGroup, PathBufferSize - 1);
  if (!written) {
    registry.CloseKey(key);
    FailInstall(page, FatalRegistry);
  }
  SetProgress(96);
  const DWORD checksum = 0;
  if (!registry.SetValue(key, "chs", REG_DWORD, &checksum, sizeof(checksum))) {
    registry.CloseKey(key);
    FailInstall(page, FatalRegistry);
  }
  registry.CloseKey(key);
}

// The platform's uninstall entry. Its values are not essential; an
// uninstaller path that would not fit a PathBuffer is left out rather than
// written cut short.
void WriteUninstallKey(HWND page, RegistryWriter& registry) {
  HKEY key = registry.CreateKey(UninstallKey);
  if (key == nullptr) FailInstall(page, FatalRegistry);
  SetText(registry, key, "DisplayName", ProductTitle, ProductTitleLength + 1);
  PathBuffer uninstaller;
  if (FormatPath(uninstaller, "%s\\Sweeper.exe", Setup.InstallDir)) {
    SetText(registry, key, "UninstallString", uninstaller,
            static_cast<DWORD>(std::strlen(uninstaller) + 1));
  }
  registry.CloseKey(key);
}

}  // namespace

void RunInstall(HWND page) {
  // The file-system calls run on a thread of their own, beside the decoding.
  Win32ExtractTarget files(page, ShowExtractionProgress);
  QueuedTarget target(files);
  RegistryWriter registry;
  RunInstallThrough(page, target, registry);
}

void RunInstallThrough(HWND page, ExtractTarget& target, RegistryWriter& registry) {
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
  WriteProductKey(page, registry);
  WriteUninstallKey(page, registry);

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
  EndDialog(Setup.ProgressPage, PageForward);
}
