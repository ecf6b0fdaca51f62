// Runs the install sequence in a process of its own, the way the wizard does:
// on a progress page of this program's module, whose resource "EXAR" #163 the
// tests put in place beforehand. Everything the page is told goes to the log
// as it happens, so a run that ends in a fatal error leaves what it showed.
//   install_runner LOG INSTALLDIR GROUP DESKTOP [full|no-checksum|no-uninstall-key]
// "full" stages a drive that fills up after the first 2 KiB of the
// extraction; "no-checksum" a registry that refuses the value "chs";
// "no-uninstall-key" one that refuses to create UninstallKey. Exit code 0
// when RunInstall came back with the page ended.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "install/install_sequence.h"
#include "install/progress.h"
#include "install/registry_writer.h"
#include "payload/extract_target.h"
#include "payload/win32_target.h"
#include "shell/base/setup_state.h"
#include "tests/install/recorder_page.h"

namespace {

// Forwards to the Win32 target, but every write past the room left fails.
class FullDriveTarget : public ExtractTarget {
 public:
  FullDriveTarget(ExtractTarget& inner, uint32_t room) : inner_(inner), room_(room) {}
  void CreateDirectory(const char* path) override { inner_.CreateDirectory(path); }
  bool OpenFile(const char* path) override { return inner_.OpenFile(path); }
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    if (room_ < length) {
      *written = 0;
      return false;
    }
    room_ -= length;
    return inner_.Write(data, length, written);
  }
  void CloseFile() override { inner_.CloseFile(); }
  void InstallListLine(const char* line, uint32_t length) override {
    inner_.InstallListLine(line, length);
  }
  void Repaint() override { inner_.Repaint(); }
  void Progress(int32_t percent) override { inner_.Progress(percent); }

 private:
  ExtractTarget& inner_;
  uint32_t room_;
};

// Writes to the registry, but refuses the one step named.
class FailingRegistry : public RegistryWriter {
 public:
  FailingRegistry(const char* refusedKey, const char* refusedValue)
      : refusedKey_(refusedKey), refusedValue_(refusedValue) {}
  HKEY CreateKey(const char* subkey) override {
    if (refusedKey_ != nullptr && std::strcmp(subkey, refusedKey_) == 0) return nullptr;
    return RegistryWriter::CreateKey(subkey);
  }
  bool SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) override {
    if (refusedValue_ != nullptr && std::strcmp(name, refusedValue_) == 0) return false;
    return RegistryWriter::SetValue(key, name, type, data, size);
  }

 private:
  const char* refusedKey_;
  const char* refusedValue_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return 2;
  SetRecorderLog(argv[1]);
  std::strncpy(Setup.InstallDir, argv[2], PathBufferSize - 1);
  std::strncpy(Setup.ProgramGroup, argv[3], PathBufferSize - 1);
  Setup.WantDesktopShortcut = std::atoi(argv[4]);
  Setup.ModuleInstance = GetModuleHandleA(nullptr);
  HWND page = CreateRecorderPage(Setup.ModuleInstance);
  Setup.ProgressPage = page;
  const char* mode = argc > 5 ? argv[5] : "";
  if (std::strcmp(mode, "full") == 0) {
    Win32ExtractTarget files(page, ShowExtractionProgress);
    FullDriveTarget full(files, 2048);
    RegistryWriter registry;
    RunInstallThrough(page, full, registry);
  } else if (std::strcmp(mode, "no-checksum") == 0 ||
             std::strcmp(mode, "no-uninstall-key") == 0) {
    Win32ExtractTarget files(page, ShowExtractionProgress);
    const bool keyRefused = std::strcmp(mode, "no-uninstall-key") == 0;
    FailingRegistry registry(keyRefused ? UninstallKey : nullptr, keyRefused ? nullptr : "chs");
    RunInstallThrough(page, files, registry);
  } else {
    RunInstall(page);
  }
  bool ended = !IsWindowVisible(page);
  DestroyWindow(page);
  SetRecorderLog(nullptr);
  return ended ? 0 : 5;
}
