// The whole install sequence on small payloads, each run in a process of its
// own (install_runner, with the payload as its resource): what the progress
// page shows and in which order, what lands on disk and in the registry, how
// each fault ends the installation with the right error box, and that a failed
// run leaves the destination, the start menu and the registry as it found them
// (the runner's watched undo keeps a copy of what it took away in "undone").
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "install/install_sequence.h"
#include "payload/archive_reader.h"
#include "payload/archive_writer.h"
#include "shell/base/fatal_error.h"
#include "shell/base/setup_state.h"
#include "tests/install/registration.h"
#include "tests/support/random.h"
#include "tests/support/setup_harness.h"

namespace {

std::vector<uint8_t> Bytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> data(size);
  test_support::Rng rng(seed);
  for (size_t i = 0; i < size; ++i) {
    data[i] = (i % 7 == 0) ? rng.Byte() : static_cast<uint8_t>('a' + i % 23);
  }
  return data;
}

// A small product: a directory, its files, a file of 131,073 bytes (two
// writes) and an empty one.
std::vector<MemoryItem> SmallProduct() {
  return {
      {"DATA", true, {}},
      {"DATA\\MAPS.DAT", false, Bytes(131073, 1)},
      {"DATA\\EMPTY.BIN", false, {}},
      {"VALE.EXE", false, Bytes(5000, 2)},
      {"SWEEPER.EXE", false, Bytes(3000, 3)},
      {"README.TXT", false, Bytes(100, 4)},
  };
}

std::vector<uint8_t> Pack(const std::vector<MemoryItem>& items) {
  std::vector<uint8_t> archive;
  std::string error;
  EXPECT_TRUE(PackInMemory(items, &archive, &error)) << error;
  return archive;
}

std::string FatalText(int32_t code) {
  char text[FatalMessageSize];
  FormatFatalMessage(code, text, sizeof(text));
  return text;
}

// What one run of the sequence showed.
struct InstallRun {
  ChildRun child;
  std::vector<std::string> statuses;  // texts of 1027 in order
  std::vector<int> bar;               // positions of 1016 in order
  std::vector<std::string> percents;  // texts of 1018 in order
  std::vector<std::string> undo;      // the watched undo's steps, in order
};

// What a failed run must leave as it found it.
struct SystemState {
  std::vector<std::string> destination;  // names and sizes below the destination
  std::vector<std::string> startMenu;    // below the Programs folder
  std::vector<std::string> desktop;
  std::vector<std::string> registry;     // the maker's key and the uninstall entry
};

class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveInstallationKeys();
    scratch_ = FreshDirectory("install");
    runner_ = scratch_ + "\\install_runner.exe";
    destination_ = scratch_ + "\\dest";
    CreateDirectoryA(destination_.c_str(), nullptr);
    undone_ = scratch_ + "\\undone";
    idle_ = scratch_ + "\\idle";
    CreateDirectoryA(idle_.c_str(), nullptr);
    programs_ = SpecialFolder(CSIDL_PROGRAMS);
    desktopLink_ = SpecialFolder(CSIDL_DESKTOP) + "\\Umberlay Vale (Demo).lnk";
    RemoveLinks();
    GetCurrentDirectoryA(MAX_PATH, savedDirectory_);
    // The runner starts in a directory of its own: nothing may land there.
    SetCurrentDirectoryA(idle_.c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(savedDirectory_);
    RemoveInstallationKeys();
    RemoveLinks();
    RemoveTree(scratch_);
  }
  void RemoveLinks() {
    RemoveTree(programs_ + "\\Games");
    DeleteFileA(desktopLink_.c_str());
  }

  // Puts the runner in place with payload as its resource (none when null).
  void PrepareRunner(const std::vector<uint8_t>* payload) {
    ASSERT_TRUE(CopyTestProgram("install_runner.exe", runner_));
    if (payload == nullptr) return;
    HANDLE update = BeginUpdateResourceA(runner_.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(UpdateResourceA(update, PayloadResourceType, MAKEINTRESOURCEA(PayloadResourceId),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                const_cast<uint8_t*>(payload->data()),
                                static_cast<DWORD>(payload->size())));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  }

  InstallRun Run(const std::string& installDir, const std::string& group, bool desktop,
                 const char* extra = "") {
    InstallRun run;
    std::string log = scratch_ + "\\page.log";
    DeleteFileA(log.c_str());
    run.child = RunChild(Quoted(runner_) + " " + Quoted(log) + " " + Quoted(installDir) + " " +
                         Quoted(group) + " " + (desktop ? "1" : "0") + " " + extra);
    std::istringstream lines(ReadWholeFile(log));
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind("bar ", 0) == 0) run.bar.push_back(std::stoi(line.substr(4)));
      if (line.rfind("text 1027 ", 0) == 0) run.statuses.push_back(line.substr(10));
      if (line.rfind("text 1018 ", 0) == 0) run.percents.push_back(line.substr(10));
      if (line.rfind("undo ", 0) == 0) run.undo.push_back(line.substr(5));
    }
    return run;
  }

  SystemState State(const std::string& destination) const {
    SystemState state;
    state.destination = win32ui::TreeListing(destination);
    state.startMenu = win32ui::TreeListing(programs_);
    state.desktop = win32ui::TreeListing(SpecialFolder(CSIDL_DESKTOP));
    state.registry = win32ui::RegistryListing("SOFTWARE\\Aldmoor&Brisk");
    const std::vector<std::string> uninstall = win32ui::RegistryListing(UninstallKey);
    state.registry.insert(state.registry.end(), uninstall.begin(), uninstall.end());
    return state;
  }

  void ExpectAsBefore(const SystemState& before, const std::string& destination) const {
    const SystemState after = State(destination);
    EXPECT_EQ(after.destination, before.destination);
    EXPECT_EQ(after.startMenu, before.startMenu);
    EXPECT_EQ(after.desktop, before.desktop);
    EXPECT_EQ(after.registry, before.registry);
  }

  void ExpectFatal(const InstallRun& run, int32_t code) {
    ASSERT_TRUE(run.child.started);
    ASSERT_FALSE(run.child.timedOut);
    EXPECT_EQ(run.child.exitCode, 0xFFFFFFFFu);
    ASSERT_EQ(run.child.boxes.size(), 1u);
    EXPECT_EQ(run.child.boxes[0].caption, "Install error");
    EXPECT_EQ(run.child.boxes[0].text, FatalText(code));
    for (const std::string& status : run.statuses) {
      EXPECT_NE(status, StatusComplete) << "a failed installation was called complete";
    }
    EXPECT_TRUE(IsDirectoryEmpty(idle_)) << "something was written outside the destination";
  }

  // Gives UninstallKey an access list that refuses its values and subkeys to
  // everyone. False, with the key writable again, where the registry does not
  // enforce it.
  static bool DenyUninstallKey() {
    if (!SetUninstallKeyAccess(true)) return false;
    HKEY probe = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                        &probe, nullptr) == ERROR_SUCCESS) {
      RegCloseKey(probe);
      AllowUninstallKey();
      return false;
    }
    return true;
  }
  static void AllowUninstallKey() { SetUninstallKeyAccess(false); }
  static bool SetUninstallKeyAccess(bool denyWrites) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, nullptr, 0, WRITE_DAC, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return false;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) BYTE aclBytes[256];
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    InitializeAcl(acl, sizeof(aclBytes), ACL_REVISION);
    if (denyWrites) {
      AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, everyone);
    }
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    const bool set =
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    FreeSid(everyone);
    RegCloseKey(key);
    return set;
  }

  static bool IsDirectoryEmpty(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE walk = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (walk == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
      if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) {
        empty = false;
      }
    } while (FindNextFileA(walk, &entry));
    FindClose(walk);
    return empty;
  }

  void ExpectExtracted(const std::string& directory, const std::vector<MemoryItem>& items) {
    for (const MemoryItem& item : items) {
      std::string path = directory + "\\" + item.path;
      if (item.directory) {
        EXPECT_TRUE(PathExists(path)) << path;
      } else {
        EXPECT_EQ(ReadWholeFile(path), std::string(item.data.begin(), item.data.end())) << path;
      }
    }
  }

  std::string scratch_, runner_, destination_, undone_, idle_, programs_, desktopLink_;
  char savedDirectory_[MAX_PATH] = {0};
};

const std::vector<std::string> AllStatuses = {StatusGathering, StatusExtracting, StatusRegistry,
                                              StatusStartMenu, StatusDirectX, StatusComplete};

}  // namespace

TEST_F(Install, CompleteRunShowsEveryStepAndRecordsTheInstallation) {
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  PrepareRunner(&payload);
  std::string installDir = destination_ + "\\";  // ends in a backslash
  InstallRun run = Run(installDir, "Games\\Demos", false);
  ASSERT_TRUE(run.child.started);
  EXPECT_EQ(run.child.exitCode, 0u) << "RunInstall did not come back with the page ended";
  EXPECT_TRUE(run.child.boxes.empty());

  EXPECT_EQ(run.statuses, AllStatuses);
  // 0, the engine's values (tiny for a small payload), then 95, 96, 98, 99, 100. The
  // engine reports after each write, but the display is only touched when what it shows
  // changes: the bar already stands at 0 and this payload's writes all show 0 %, so the
  // bar is set five times and the percentage text six.
  EXPECT_EQ(run.bar, (std::vector<int>{95, 96, 98, 99, 100}));
  for (size_t i = 1; i < run.bar.size(); ++i) EXPECT_NE(run.bar[i], run.bar[i - 1]) << i;
  for (int percent : run.bar) EXPECT_NE(percent, 97);
  EXPECT_EQ(run.percents, (std::vector<std::string>{"  0% complete", " 95% complete", " 96% complete",
                                                    " 98% complete", " 99% complete", "100% complete"}));
  EXPECT_EQ(run.percents.back(), "100% complete");

  ExpectExtracted(destination_, product);

  RegistryValue pth = ReadRegistryValue(ProductKey, "pth");
  ASSERT_TRUE(pth.present);
  EXPECT_EQ(pth.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(pth.data.size(), 1024u);
  EXPECT_EQ(pth.Text(), installDir);
  RegistryValue grp = ReadRegistryValue(ProductKey, "grp");
  EXPECT_EQ(grp.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(grp.data.size(), 1024u);
  EXPECT_EQ(grp.Text(), "Games\\Demos");
  RegistryValue chs = ReadRegistryValue(ProductKey, "chs");
  EXPECT_EQ(chs.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(chs.data, (std::vector<BYTE>{0, 0, 0, 0}));
  RegistryValue name = ReadRegistryValue(UninstallKey, "DisplayName");
  EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(name.data.size(), 21u);
  EXPECT_EQ(name.Text(), "Umberlay Vale (Demo)");
  RegistryValue uninstall = ReadRegistryValue(UninstallKey, "UninstallString");
  EXPECT_EQ(uninstall.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(uninstall.Text(), installDir + "\\Sweeper.exe") << "always one inserted backslash";
  EXPECT_EQ(uninstall.data.size(), installDir.size() + 13);

  EXPECT_TRUE(PathExists(programs_ + "\\Games\\Demos\\Umberlay Vale (Demo).lnk"));
  EXPECT_TRUE(PathExists(programs_ + "\\Games\\Demos\\README.lnk"));
  EXPECT_FALSE(PathExists(desktopLink_)) << "no desktop shortcut unless wanted";
}

// The setup asks for no registry view of its own, so its records land in the
// view of its own bitness, where the uninstaller and a later setup of the same
// build read them. The 32-bit setup on 64-bit Windows (where nearly every
// player runs it) writes to the 32-bit view, below Wow6432Node, and nothing of
// it appears in the 64-bit view; on 32-bit Windows there is just the one view.
// The 64-bit build (kept for the benchmarks) writes to the 64-bit view.
TEST_F(Install, RecordsLandInTheRegistryViewOfTheSetupsBitness) {
  std::vector<uint8_t> payload = Pack(SmallProduct());
  PrepareRunner(&payload);
  ASSERT_EQ(Run(destination_, "Games", false).child.exitCode, 0u);

  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  const bool sixtyFourBitWindows = sizeof(void*) == 8 || wow64;
  if (!sixtyFourBitWindows) {
    EXPECT_FALSE(RegistryKeyExists("SOFTWARE\\Wow6432Node")) << "32-bit Windows has one view";
  }
  const REGSAM own = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  const REGSAM other = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  for (const char* key : {ProductKey, UninstallKey}) {
    EXPECT_TRUE(RegistryKeyExists(key)) << key;
    EXPECT_TRUE(RegistryKeyExists(key, own)) << key;
    if (sixtyFourBitWindows) EXPECT_FALSE(RegistryKeyExists(key, other)) << key;
  }
}

TEST_F(Install, ReinstallReplacesTheValuesAndMakesTheDesktopShortcut) {
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  PrepareRunner(&payload);
  ASSERT_EQ(Run(destination_, "Games\\Old", false).child.exitCode, 0u);
  WriteWholeFile(destination_ + "\\SAVED.GAM", "kept");
  WriteWholeFile(destination_ + "\\VALE.EXE", "changed by the user");

  InstallRun again = Run(destination_, "Games", true);
  EXPECT_EQ(again.child.exitCode, 0u);
  EXPECT_EQ(again.statuses, AllStatuses);
  ExpectExtracted(destination_, product);
  EXPECT_EQ(ReadWholeFile(destination_ + "\\SAVED.GAM"), "kept");
  EXPECT_EQ(ReadRegistryValue(ProductKey, "grp").Text(), "Games");
  EXPECT_EQ(ReadRegistryValue(ProductKey, "grp").data.size(), 1024u);
  EXPECT_EQ(ReadRegistryValue(UninstallKey, "UninstallString").Text(),
            destination_ + "\\Sweeper.exe");

  LoadedLink desktop = LoadLink(desktopLink_);
  ASSERT_TRUE(desktop.loaded);
  EXPECT_EQ(desktop.target, destination_ + "\\Vale.exe");
  EXPECT_EQ(desktop.description, "Umberlay Vale (Demo)");
  EXPECT_EQ(desktop.workingDirectory, destination_);
}

TEST_F(Install, MissingDirectXIsWarnedOnceAndTheInstallationCompletes) {
  char overrides[1024] = {0};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  if (std::strstr(overrides, "ddraw=d") == nullptr) GTEST_SKIP() << "needs ddraw=d";
  std::vector<uint8_t> payload = Pack(SmallProduct());
  PrepareRunner(&payload);
  InstallRun run = Run(destination_, "Games", false);
  EXPECT_EQ(run.child.exitCode, 0u);
  ASSERT_EQ(run.child.boxes.size(), 1u);
  EXPECT_EQ(run.child.boxes[0].caption, "Warning");
  EXPECT_EQ(run.child.boxes[0].text, DirectXWarning);
  EXPECT_EQ(run.statuses, AllStatuses);
  EXPECT_EQ(run.bar.back(), 100);
}

TEST_F(Install, ReadOnlyFileInTheWayIsFatalSixAfterTheRestIsWritten) {
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  PrepareRunner(&payload);
  std::string blocked = destination_ + "\\VALE.EXE";
  WriteWholeFile(blocked, "old");
  SetFileAttributesA(blocked.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE probe = CreateFileA(blocked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    SetFileAttributesA(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this account may write read-only files (the file in use case stands in)";
  }
  const SystemState before = State(destination_);
  InstallRun run = Run(destination_, "Games", false, "watch");
  ExpectFatal(run, FatalCannotCopyFiles);
  EXPECT_EQ(ReadWholeFile(blocked), "old");
  product.erase(product.begin() + 3);  // all but VALE.EXE were written, then taken back
  ExpectExtracted(undone_, product);
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "pth").present);
  ExpectAsBefore(before, destination_);
  SetFileAttributesA(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Install, FileInUseIsFatalSixAfterTheRestIsWritten) {
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  PrepareRunner(&payload);
  std::string blocked = destination_ + "\\VALE.EXE";
  WriteWholeFile(blocked, "old");
  HANDLE inUse = CreateFileA(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(inUse, INVALID_HANDLE_VALUE);

  const SystemState before = State(destination_);
  InstallRun run = Run(destination_, "Games", false, "watch");
  CloseHandle(inUse);
  ExpectFatal(run, FatalCannotCopyFiles);
  EXPECT_EQ(ReadWholeFile(blocked), "old");
  product.erase(product.begin() + 3);  // all but VALE.EXE were written, then taken back
  ExpectExtracted(undone_, product);
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "pth").present);
  ExpectAsBefore(before, destination_);
  // Newest first: the files before the directory that holds them, each taken away.
  auto step = [&](const std::string& text) {
    return std::find(run.undo.begin(), run.undo.end(), text) - run.undo.begin();
  };
  const auto directory = step("directory " + destination_ + "\\DATA");
  EXPECT_LT(directory, static_cast<long>(run.undo.size()));
  EXPECT_LT(step("file " + destination_ + "\\DATA\\MAPS.DAT"), directory);
  EXPECT_LT(step("file " + destination_ + "\\DATA\\EMPTY.BIN"), directory);
  EXPECT_EQ(run.undo.size(), 5u) << "DATA and the four files written";
}

// The setup's own wiring (RunInstall): a folder where a file goes is an obstacle
// the run cannot remove or replace; what the run created goes, what was there
// stays, and a file that was there keeps what the run wrote into it.
TEST_F(Install, FolderInTheWayIsFatalSixAndOnlyWhatTheRunCreatedGoes) {
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  PrepareRunner(&payload);
  ASSERT_TRUE(CreateDirectoryA((destination_ + "\\VALE.EXE").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((destination_ + "\\DATA").c_str(), nullptr));
  WriteWholeFile(destination_ + "\\DATA\\USER.CFG", "the user's settings");
  WriteWholeFile(destination_ + "\\SAVED.GAM", "kept");
  WriteWholeFile(destination_ + "\\README.TXT", "an older readme");
  SystemState before = State(destination_);

  InstallRun run = Run(destination_, "Games", false);
  ExpectFatal(run, FatalCannotCopyFiles);
  const std::string readme(product[5].data.begin(), product[5].data.end());
  EXPECT_EQ(ReadWholeFile(destination_ + "\\README.TXT"), readme) << "overwritten, not restored";
  std::replace(before.destination.begin(), before.destination.end(),
               std::string("README.TXT 15"), std::string("README.TXT 100"));
  ExpectAsBefore(before, destination_);
}

// One flipped bit inside the last file's stream, found only when that file has been
// decoded: the damaged payload's fatal error, after the files before it were written
// and taken back; a file that was there before keeps its place.
TEST_F(Install, OneFlippedBitInThePayloadIsFatalFourAndTheRunIsTakenBack) {
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(payload.data()));
  const int32_t last = reader.EntryCount() - 1;
  ASSERT_STREQ(reader.Path(last), "DATA\\MAPS.DAT");
  payload[static_cast<size_t>(reader.BlockOffset(last)) + 12 + 5000] ^= 0x08;
  reader.Close();
  PrepareRunner(&payload);
  WriteWholeFile(destination_ + "\\SAVED.GAM", "kept");
  const SystemState before = State(destination_);
  InstallRun run = Run(destination_, "Games", false, "watch");
  ExpectFatal(run, FatalDamagedPayload);
  product.erase(product.begin() + 1);  // all but MAPS.DAT were written, then taken back
  ExpectExtracted(undone_, product);
  ExpectAsBefore(before, destination_);
  EXPECT_EQ(ReadWholeFile(destination_ + "\\SAVED.GAM"), "kept");
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "pth").present);
}

// The destination and the parents that were made for this run go with what was
// installed into them; the folder above them stays.
TEST_F(Install, DestinationMadeForTheRunGoesWhenTheRegistryFails) {
  HKEY maker = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Aldmoor&Brisk", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &maker, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(maker);
  std::vector<uint8_t> payload = Pack(SmallProduct());
  PrepareRunner(&payload);
  const SystemState before = State(destination_);
  InstallRun run = Run(destination_ + "\\made\\for\\run", "Games", false, "make");
  ExpectFatal(run, FatalRegistry);
  ExpectAsBefore(before, destination_);
  EXPECT_FALSE(PathExists(destination_ + "\\made"));
}

// A key that was there keeps its values: the ones the run replaced get their
// previous type and data back, the ones it added go, and they go before the files.
TEST_F(Install, ReplacedValuesGetTheirDataBackWhenTheUninstallEntryCannotBeWritten) {
  RegisterInstallation("C:\\Older", "Older group", false);
  if (!DenyUninstallKey()) GTEST_SKIP() << "this registry does not enforce a key's access list";
  std::vector<uint8_t> payload = Pack(SmallProduct());
  PrepareRunner(&payload);
  const SystemState before = State(destination_);
  InstallRun run = Run(destination_, "Games", false, "watch");
  AllowUninstallKey();
  ExpectFatal(run, FatalRegistry);
  ExpectAsBefore(before, destination_);
  EXPECT_EQ(ReadRegistryValue(ProductKey, "pth").Text(), "C:\\Older");
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "chs").present);
  const std::string key = std::string(ProductKey) + " ";
  ASSERT_GE(run.undo.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(run.undo.begin(), run.undo.begin() + 3),
            (std::vector<std::string>{"value " + key + "chs", "restore " + key + "grp",
                                      "restore " + key + "pth"}));
}

TEST_F(Install, SmallDriveRunningOutOfSpaceIsFatalSix) {
  ULARGE_INTEGER available, total;
  if (!GetDiskFreeSpaceExA("S:\\", &available, &total, nullptr)) {
    GTEST_SKIP() << "no small drive S: mapped (the staged full drive stands in)";
  }
  std::string destination = "S:\\Umberlay";
  RemoveTree(destination);
  ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
  std::vector<uint8_t> noise(400000);
  test_support::Rng rng(7);
  for (uint8_t& byte : noise) byte = rng.Byte();
  std::vector<uint8_t> payload = Pack({{"SMALL.TXT", false, Bytes(100, 9)},
                                       {"WORLD.DAT", false, noise}});
  PrepareRunner(&payload);
  const SystemState before = State(destination);
  InstallRun run = Run(destination, "Games", false, "watch");
  ExpectFatal(run, FatalCannotCopyFiles);
  EXPECT_EQ(ReadWholeFile(undone_ + "\\SMALL.TXT").size(), 100u);
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "pth").present);
  ExpectAsBefore(before, destination);
  EXPECT_EQ(run.undo, (std::vector<std::string>{"file " + destination + "\\WORLD.DAT",
                                                "file " + destination + "\\SMALL.TXT"}));
  RemoveTree(destination);
}

TEST_F(Install, StagedFullDriveIsFatalSix) {
  std::vector<uint8_t> payload = Pack(SmallProduct());
  PrepareRunner(&payload);
  const SystemState before = State(destination_);
  InstallRun run = Run(destination_, "Games", false, "full");
  ExpectFatal(run, FatalCannotCopyFiles);
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "pth").present);
  ExpectAsBefore(before, destination_);
  // Every file was created, the ones that got no byte too.
  EXPECT_EQ(run.undo.size(), 6u);
  EXPECT_EQ(ReadWholeFile(undone_ + "\\README.TXT").size(), 100u);
}

TEST_F(Install, MissingPayloadIsFatalNineBeforeAnythingIsWritten) {
  PrepareRunner(nullptr);
  InstallRun run = Run(destination_, "Games", false);
  ExpectFatal(run, FatalRegistry);
  EXPECT_TRUE(IsDirectoryEmpty(destination_));
}

TEST_F(Install, TruncatedOrDamagedPayloadIsFatalFourBeforeAnythingIsWritten) {
  std::vector<uint8_t> payload = Pack(SmallProduct());
  std::vector<uint8_t> truncated(payload.begin(), payload.begin() + payload.size() / 2);
  PrepareRunner(&truncated);
  ExpectFatal(Run(destination_, "Games", false), FatalDamagedPayload);
  EXPECT_TRUE(IsDirectoryEmpty(destination_));

  // A path that leaves the destination.
  std::vector<uint8_t> escaping = Pack({{"DATA", true, {}}, {"DATA\\A.TXT", false, Bytes(10, 5)}});
  std::string inside = "DATA\\A.TXT";
  auto at = std::search(escaping.begin(), escaping.end(), inside.begin(), inside.end());
  ASSERT_NE(at, escaping.end());
  std::memcpy(&*at, "..\\\\A.TXT", 10);
  PrepareRunner(&escaping);
  ExpectFatal(Run(destination_, "Games", false), FatalDamagedPayload);
  EXPECT_TRUE(IsDirectoryEmpty(destination_));
  EXPECT_FALSE(PathExists(scratch_ + "\\A.TXT"));
}

TEST_F(Install, DestinationThatCannotBeMadeCurrentIsFatalSeven) {
  std::vector<uint8_t> payload = Pack(SmallProduct());
  PrepareRunner(&payload);
  ExpectFatal(Run(destination_ + "\\missing", "Games", false), FatalCannotCreateDirectory);
  EXPECT_FALSE(PathExists(destination_ + "\\missing"));

  std::string longDir = "C:\\" + std::string(1020, 'd');  // 1,023 characters
  InstallRun run = Run(longDir, "Games", false);
  ExpectFatal(run, FatalCannotCreateDirectory);
  EXPECT_FALSE(ReadRegistryValue(ProductKey, "pth").present);
}

TEST_F(Install, UnwritableProductKeyIsFatalNineAfterTheExtraction) {
  // A volatile maker key cannot hold the product's lasting key.
  HKEY maker = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Aldmoor&Brisk", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &maker, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(maker);
  HKEY probe = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &probe,
                      nullptr) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    RemoveInstallationKeys();
    GTEST_SKIP() << "this registry lets a lasting key live below a volatile one";
  }
  std::vector<MemoryItem> product = SmallProduct();
  std::vector<uint8_t> payload = Pack(product);
  PrepareRunner(&payload);
  const SystemState before = State(destination_);
  InstallRun run = Run(destination_, "Games", false, "watch");
  ExpectFatal(run, FatalRegistry);
  ExpectExtracted(undone_, product);  // all was written, then taken back
  EXPECT_FALSE(ReadRegistryValue(UninstallKey, "DisplayName").present);
  ExpectAsBefore(before, destination_);
}

// A registry that refuses the checksum, or the uninstall entry's key: fatal 9
// after the files, with ProductKey written as far as the sequence got (the
// runner's undo keeps everything here, so that what the run did stays to be
// seen) and the sequence stopped there: no uninstall entry, no shortcuts, the
// bar left at 96, the value written after "pth" and "grp". The undo was asked
// to begin with the last value written.
TEST_F(Install, RegistryStepThatFailsAfterTheFilesIsFatalNine) {
  struct Case {
    const char* mode;
    bool checksumWritten;
    const char* newestValue;
  };
  for (const Case& c : {Case{"no-checksum", false, "grp"}, Case{"no-uninstall-key", true, "chs"}}) {
    SCOPED_TRACE(c.mode);
    RemoveInstallationKeys();
    std::vector<MemoryItem> product = SmallProduct();
    std::vector<uint8_t> payload = Pack(product);
    PrepareRunner(&payload);
    InstallRun run = Run(destination_, "Games", false, (std::string(c.mode) + " keep").c_str());
    ExpectFatal(run, FatalRegistry);
    ASSERT_FALSE(run.undo.empty());
    EXPECT_EQ(run.undo.front(),
              "value " + std::string(ProductKey) + " " + c.newestValue + " left");
    ExpectExtracted(destination_, product);
    EXPECT_EQ(ReadRegistryValue(ProductKey, "pth").Text(), destination_);
    EXPECT_EQ(ReadRegistryValue(ProductKey, "grp").Text(), "Games");
    EXPECT_EQ(ReadRegistryValue(ProductKey, "chs").present, c.checksumWritten);
    EXPECT_FALSE(RegistryKeyExists(UninstallKey));
    ASSERT_FALSE(run.bar.empty());
    EXPECT_EQ(run.bar.back(), 96);
    EXPECT_FALSE(PathExists(programs_ + "\\Games")) << "no shortcuts after a fatal error";
  }
}
