// Runs the install sequence in a process of its own, the way the wizard does:
// on a progress page of this program's module, whose resource "EXAR" #163 the
// tests put in place beforehand. Everything the page is told goes to the log
// as it happens, so a run that ends in a fatal error leaves what it showed.
//   install_runner LOG INSTALLDIR GROUP DESKTOP [OPTION...]
// Without options it calls RunInstall, as the wizard does. The options:
//   watch             the same wiring (the Win32 target with the recording
//                     target behind the file thread's queue, the registry
//                     recorded into RunJournal) with the undo of a failed run
//                     watched;
//   full              as watch on a drive that fills up after the first 2 KiB
//                     of the extraction, without the queue;
//   no-checksum       as watch on a registry that refuses the value "chs";
//   no-uninstall-key  as watch on one that refuses to create UninstallKey;
//   keep              the watched undo takes nothing away (every step is
//                     logged as left), so that a test sees where the sequence
//                     stopped;
//   make              creates INSTALLDIR with its missing parents first, as the
//                     destination page does on Yes.
// A watched undo logs each of its steps ("undo file PATH", "undo directory
// PATH", "undo key PATH", "undo value PATH NAME", "undo restore PATH NAME",
// each followed by " left" when the step did not take the thing away), and
// what it takes away below INSTALLDIR is first copied into the folder "undone"
// beside LOG, so that the tests see what the run had written. Exit code 0 when
// RunInstall came back with the page ended.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "install/install_sequence.h"
#include "install/progress.h"
#include "install/recording_target.h"
#include "install/registry_writer.h"
#include "pages/destination_page.h"
#include "payload/forwarding_target.h"
#include "payload/queued_target.h"
#include "payload/win32_target.h"
#include "shell/base/install_journal.h"
#include "shell/base/setup_state.h"
#include "shell/base/win32_undo.h"
#include "tests/install/recorder_page.h"

namespace {

// Forwards to the Win32 target, but every write past the room left fails.
class FullDriveTarget : public ForwardingTarget {
 public:
  FullDriveTarget(ExtractTarget& inner, uint32_t room) : ForwardingTarget(inner), room_(room) {}
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    if (room_ < length) {
      *written = 0;
      return false;
    }
    room_ -= length;
    return ForwardingTarget::Write(data, length, written);
  }

 private:
  uint32_t room_;
};

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 4] = {0};
  GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  std::string result = full;
  while (result.size() > 3 && result.back() == '\\') result.pop_back();
  return result;
}

// Creates every missing level of path.
void CreateLevels(const std::string& path) {
  for (size_t cut = path.find('\\', 3); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
    CreateDirectoryA(path.substr(0, cut).c_str(), nullptr);
  }
  CreateDirectoryA(path.c_str(), nullptr);
}

// The Win32 undo, each step logged and what lies below the destination copied
// into the witness folder before it goes; without takeAway, only logged.
class WatchedUndo : public UndoActions {
 public:
  WatchedUndo(const std::string& destination, const std::string& witness, bool takeAway)
      : destination_(FullPath(destination)), witness_(witness), takeAway_(takeAway) {}

  bool RemoveFile(const char* path) override {
    std::string copy;
    if (takeAway_ && Mirror(path, &copy)) {
      CreateLevels(copy.substr(0, copy.rfind('\\')));
      CopyFileA(path, copy.c_str(), FALSE);
    }
    return Log("file " + std::string(path), takeAway_ && actions_.RemoveFile(path));
  }
  bool RemoveEmptyDirectory(const char* path) override {
    std::string copy;
    if (takeAway_ && Mirror(path, &copy)) CreateLevels(copy);
    return Log("directory " + std::string(path),
               takeAway_ && actions_.RemoveEmptyDirectory(path));
  }
  bool RemoveEmptyKey(const char* keyPath) override {
    return Log("key " + std::string(keyPath), takeAway_ && actions_.RemoveEmptyKey(keyPath));
  }
  bool DeleteValue(const char* keyPath, const char* name) override {
    return Log("value " + std::string(keyPath) + " " + name,
               takeAway_ && actions_.DeleteValue(keyPath, name));
  }
  bool RestoreValue(const char* keyPath, const char* name, uint32_t type, const uint8_t* data,
                    uint32_t size) override {
    return Log("restore " + std::string(keyPath) + " " + name,
               takeAway_ && actions_.RestoreValue(keyPath, name, type, data, size));
  }

 private:
  // The witness's path for path when it lies below the destination (or is it).
  bool Mirror(const char* path, std::string* copy) const {
    const size_t length = destination_.size();
    if (_strnicmp(path, destination_.c_str(), length) != 0) return false;
    if (path[length] != '\0' && path[length] != '\\') return false;
    *copy = witness_ + (path + length);
    return true;
  }
  static bool Log(const std::string& step, bool done) {
    RecordLine("undo " + step + (done ? "" : " left"));
    return done;
  }

  Win32UndoActions actions_;
  std::string destination_;
  std::string witness_;
  bool takeAway_;
};

bool HasOption(int argc, char** argv, const char* option) {
  for (int i = 5; i < argc; ++i) {
    if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

// Writes to the registry (recording into RunJournal), but refuses the one
// step named, if any.
class FailingRegistry : public RegistryWriter {
 public:
  FailingRegistry(const char* refusedKey, const char* refusedValue)
      : RegistryWriter(RunJournal), refusedKey_(refusedKey), refusedValue_(refusedValue) {}
  HKEY CreateKey(const char* subkey) override {
    if (refusedKey_ != nullptr && std::strcmp(subkey, refusedKey_) == 0) return nullptr;
    return RegistryWriter::CreateKey(subkey);
  }
  bool SetValue(HKEY key, const char* subkey, const char* name, DWORD type, const void* data,
                DWORD size) override {
    if (refusedValue_ != nullptr && std::strcmp(name, refusedValue_) == 0) return false;
    return RegistryWriter::SetValue(key, subkey, name, type, data, size);
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
  if (HasOption(argc, argv, "make") && !CreateDestinationChain(Setup.InstallDir)) return 3;

  const std::string log = argv[1];
  const std::string witness = log.substr(0, log.rfind('\\') + 1) + "undone";
  WatchedUndo undo(Setup.InstallDir, witness, !HasOption(argc, argv, "keep"));
  HWND page = CreateRecorderPage(Setup.ModuleInstance);
  Setup.ProgressPage = page;
  const bool noChecksum = HasOption(argc, argv, "no-checksum");
  const bool noUninstallKey = HasOption(argc, argv, "no-uninstall-key");
  if (HasOption(argc, argv, "full")) {
    Win32ExtractTarget files(page, ShowExtractionProgress);
    RecordingTarget recorded(files, RunJournal);
    FullDriveTarget full(recorded, 2048);
    RegistryWriter registry(RunJournal);
    RunInstallThrough(page, full, registry, undo);
  } else if (HasOption(argc, argv, "watch") || noChecksum || noUninstallKey) {
    Win32ExtractTarget files(page, ShowExtractionProgress);
    RecordingTarget recorded(files, RunJournal);
    QueuedTarget queue(recorded);
    FailingRegistry registry(noUninstallKey ? UninstallKey : nullptr,
                             noChecksum ? "chs" : nullptr);
    RunInstallThrough(page, queue, registry, undo);
  } else {
    RunInstall(page);
  }
  bool ended = !IsWindowVisible(page);
  DestroyWindow(page);
  SetRecorderLog(nullptr);
  return ended ? 0 : 5;
}
