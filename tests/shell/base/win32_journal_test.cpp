// Recording and undoing under Windows: directory creation, new files and the
// registry writes record exactly what they create, and the Win32 undo takes
// that back and nothing else. (The extraction's recording is tested with its
// target in tests/install.)
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/base/install_journal.h"
#include "shell/base/journal_undo.h"
#include "shell/base/win32_journal.h"
#include "shell/base/win32_registry_journal.h"
#include "shell/base/win32_undo.h"
#include "tests/support/journal_lines.h"
#include "tests/support/win32ui/system.h"

using win32ui::ReadRegistryValue;
using win32ui::ReadWholeFile;
using win32ui::RemoveTree;
using win32ui::TreeListing;
using win32ui::WriteWholeFile;

namespace {

class Win32Journal : public ::testing::Test {
 protected:
  void SetUp() override {
    journal_ = std::make_unique<InstallJournal>();
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    root_ = std::string(temp) + "wz-undo-" + std::to_string(GetCurrentProcessId());
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    GetCurrentDirectoryA(sizeof(saved_), saved_);
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_);
    RemoveTree(root_);
  }

  std::vector<std::string> Recorded() const { return test_support::JournalLines(*journal_); }

  std::unique_ptr<InstallJournal> journal_;
  std::string root_;
  char saved_[MAX_PATH] = {0};
};

}  // namespace

TEST_F(Win32Journal, DirectoryWithContentTheRunDidNotWriteStaysWithItsParents) {
  ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
  // Relative paths are recorded in full, as the current directory resolves them.
  EXPECT_TRUE(CreateDirectoryRecorded(*journal_, "made"));
  EXPECT_TRUE(CreateDirectoryRecorded(*journal_, "made\\inner"));
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryRecorded(*journal_, "made"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "the caller reads it";
  HANDLE file = CreateFileA("made\\inner\\OURS.TXT", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  RecordNewFile(*journal_, "made\\inner\\OURS.TXT");
  SetCurrentDirectoryA(saved_);
  EXPECT_EQ(Recorded(), (std::vector<std::string>{"directory " + root_ + "\\made",
                                                  "directory " + root_ + "\\made\\inner",
                                                  "file " + root_ + "\\made\\inner\\OURS.TXT"}));

  ASSERT_TRUE(WriteWholeFile(root_ + "\\made\\inner\\USER.SAV", "saved game"));
  Win32UndoActions undo;
  const UndoSummary summary = UndoJournal(*journal_, undo);
  EXPECT_EQ(summary.undone, 1u);
  EXPECT_EQ(summary.left, 2u);
  EXPECT_EQ(TreeListing(root_),
            (std::vector<std::string>{"made\\", "made\\inner\\", "made\\inner\\USER.SAV 10"}));
}

// Shortcut files are recorded when nothing was at their path right before.
TEST_F(Win32Journal, OnlyAPathTheSystemCannotFindIsAbsentAndTheLastErrorStays) {
  ASSERT_TRUE(WriteWholeFile(root_ + "\\THERE.TXT", "x"));
  SetLastError(ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(PathIsAbsent((root_ + "\\THERE.TXT").c_str()));
  EXPECT_FALSE(PathIsAbsent(root_.c_str()));
  EXPECT_TRUE(PathIsAbsent((root_ + "\\MISSING.TXT").c_str()));
  EXPECT_TRUE(PathIsAbsent((root_ + "\\missing\\A.TXT").c_str())) << "a parent not found";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  // A name the system refuses to look at is not known to be absent.
  EXPECT_FALSE(PathIsAbsent((root_ + "\\a|b.lnk").c_str()));
}

namespace {

constexpr char TestKey[] = "SOFTWARE\\wz-undo-test";

class Win32RegistryJournal : public ::testing::Test {
 protected:
  void SetUp() override {
    journal_ = std::make_unique<InstallJournal>();
    RemoveKeys();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, TestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "old", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%OLD%"), 6);
    RegCloseKey(key);
  }
  void TearDown() override { RemoveKeys(); }
  static void RemoveKeys() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\wz-undo-test\\made\\deeper");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\wz-undo-test\\made");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, TestKey);
  }
  static LONG Set(InstallJournal& journal, HKEY key, const char* keyPath, const char* name,
                  const std::string& text) {
    return SetValueRecorded(journal, key, keyPath, name, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
  }
  std::unique_ptr<InstallJournal> journal_;
};

}  // namespace

TEST_F(Win32RegistryJournal, RecordsTheKeysItMakesAndRestoresWhatItReplaced) {
  const std::vector<std::string> before = win32ui::RegistryListing(TestKey);
  const char* deep = "SOFTWARE\\wz-undo-test\\made\\deeper";
  HKEY key = nullptr;
  ASSERT_EQ(CreateKeyRecorded(*journal_, deep, &key), ERROR_SUCCESS);
  EXPECT_EQ(Set(*journal_, key, deep, "pth", "C:\\Games"), ERROR_SUCCESS);
  EXPECT_EQ(Set(*journal_, key, deep, "pth", "C:\\Games\\again"), ERROR_SUCCESS);
  RegCloseKey(key);
  // An existing key is opened, readable too, and only its new value is recorded as added.
  ASSERT_EQ(CreateKeyRecorded(*journal_, TestKey, &key), ERROR_SUCCESS);
  EXPECT_EQ(Set(*journal_, key, TestKey, "old", "replaced"), ERROR_SUCCESS);
  EXPECT_EQ(Set(*journal_, key, TestKey, "new", "added"), ERROR_SUCCESS);
  RegCloseKey(key);

  ASSERT_EQ(journal_->Count(), 6u);
  EXPECT_EQ(journal_->Record(0).kind, JournalKind::RegistryKey);
  EXPECT_STREQ(journal_->Record(0).path, "SOFTWARE\\wz-undo-test\\made");
  EXPECT_STREQ(journal_->Record(1).path, deep);
  EXPECT_EQ(journal_->Record(2).kind, JournalKind::AddedValue);
  EXPECT_EQ(journal_->Record(3).kind, JournalKind::ReplacedValue);  // its own first write
  EXPECT_EQ(journal_->Record(4).kind, JournalKind::ReplacedValue);
  EXPECT_EQ(journal_->Record(4).previousType, static_cast<uint32_t>(REG_EXPAND_SZ));
  EXPECT_EQ(journal_->Record(5).kind, JournalKind::AddedValue);

  Win32UndoActions undo;
  const UndoSummary summary = UndoJournal(*journal_, undo);
  EXPECT_EQ(summary.left, 0u);
  EXPECT_EQ(win32ui::RegistryListing(TestKey), before);
  EXPECT_EQ(ReadRegistryValue(TestKey, "old").type, static_cast<DWORD>(REG_EXPAND_SZ));
}

TEST_F(Win32RegistryJournal, KeyHoldingAValueTheRunDidNotWriteStays) {
  const char* made = "SOFTWARE\\wz-undo-test\\made";
  HKEY key = nullptr;
  ASSERT_EQ(CreateKeyRecorded(*journal_, made, &key), ERROR_SUCCESS);
  EXPECT_EQ(Set(*journal_, key, made, "ours", "x"), ERROR_SUCCESS);
  RegSetValueExA(key, "theirs", 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 2);
  RegCloseKey(key);

  Win32UndoActions undo;
  const UndoSummary summary = UndoJournal(*journal_, undo);
  EXPECT_EQ(summary.undone, 1u);
  EXPECT_EQ(summary.left, 1u);
  EXPECT_FALSE(ReadRegistryValue(made, "ours").present);
  EXPECT_EQ(ReadRegistryValue(made, "theirs").Text(), "y");
}

TEST_F(Win32RegistryJournal, PreviousValueTooLongToKeepKeepsTheNewContent) {
  HKEY key = nullptr;
  ASSERT_EQ(CreateKeyRecorded(*journal_, TestKey, &key), ERROR_SUCCESS);
  const std::string longText(PreviousValueLimit, 'l');  // with its zero, one byte too many
  RegSetValueExA(key, "long", 0, REG_SZ, reinterpret_cast<const BYTE*>(longText.c_str()),
                 static_cast<DWORD>(longText.size() + 1));
  EXPECT_EQ(Set(*journal_, key, TestKey, "long", "short"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(journal_->Count(), 0u);
  EXPECT_EQ(journal_->Dropped(), 1u);

  Win32UndoActions undo;
  UndoJournal(*journal_, undo);
  EXPECT_EQ(ReadRegistryValue(TestKey, "long").Text(), "short");
}

TEST_F(Win32RegistryJournal, FailedCreationKeepsTheLevelsMadeBeforeItRecorded) {
  // A lasting key cannot be made below a volatile one.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\wz-undo-test\\made", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  const LONG result =
      CreateKeyRecorded(*journal_, "SOFTWARE\\wz-undo-test\\made\\deeper", &key);
  if (result == ERROR_SUCCESS) {
    RegCloseKey(key);
    GTEST_SKIP() << "this registry lets a lasting key live below a volatile one";
  }
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(journal_->Count(), 0u) << "every level before the failing one was there";
  EXPECT_EQ(CreateKeyRecorded(*journal_, "", &key), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CreateKeyRecorded(*journal_, std::string(1025, 'k').c_str(), &key),
            ERROR_INVALID_PARAMETER);
}
