// The journal's store and the order of an undo, against actions that only note
// what they are asked to do.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "shell/base/install_journal.h"
#include "shell/base/journal_undo.h"

namespace {

// Notes each step as "kind path [name] [data]"; the paths in refuse are not taken away.
class NotedActions : public UndoActions {
 public:
  bool RemoveFile(const char* path) override { return Note("file", path); }
  bool RemoveEmptyDirectory(const char* path) override { return Note("directory", path); }
  bool RemoveEmptyKey(const char* keyPath) override { return Note("key", keyPath); }
  bool DeleteValue(const char* keyPath, const char* name) override {
    return Note("delete", std::string(keyPath) + " " + name);
  }
  bool RestoreValue(const char* keyPath, const char* name, uint32_t type, const uint8_t* data,
                    uint32_t size) override {
    return Note("restore", std::string(keyPath) + " " + name + " " + std::to_string(type) + " " +
                               std::string(reinterpret_cast<const char*>(data), size));
  }
  std::vector<std::string> steps;
  std::set<std::string> refuse;

 private:
  bool Note(const std::string& kind, const std::string& what) {
    steps.push_back(kind + " " + what);
    return refuse.count(what) == 0;
  }
};

std::unique_ptr<InstallJournal> NewJournal() { return std::make_unique<InstallJournal>(); }

}  // namespace

TEST(InstallJournal, KeepsEveryKindOfRecordInOrderWithItsTexts) {
  auto journal = NewJournal();
  const uint8_t previous[] = {'o', 'l', 'd', 0, 'x'};
  EXPECT_TRUE(journal->RecordDirectory("C:\\Games"));
  EXPECT_TRUE(journal->RecordFile("C:\\Games\\VALE.EXE"));
  EXPECT_TRUE(journal->RecordKey("SOFTWARE\\Maker"));
  EXPECT_TRUE(journal->RecordAddedValue("SOFTWARE\\Maker", "pth"));
  EXPECT_TRUE(journal->RecordReplacedValue("SOFTWARE\\Other", "grp", 1, previous, 5));
  ASSERT_EQ(journal->Count(), 5u);
  EXPECT_EQ(journal->Dropped(), 0u);

  EXPECT_EQ(journal->Record(0).kind, JournalKind::Directory);
  EXPECT_STREQ(journal->Record(0).path, "C:\\Games");
  EXPECT_EQ(journal->Record(1).kind, JournalKind::File);
  EXPECT_STREQ(journal->Record(1).path, "C:\\Games\\VALE.EXE");
  EXPECT_STREQ(journal->Record(1).valueName, "");
  EXPECT_EQ(journal->Record(2).kind, JournalKind::RegistryKey);
  EXPECT_EQ(journal->Record(3).kind, JournalKind::AddedValue);
  EXPECT_STREQ(journal->Record(3).valueName, "pth");
  const JournalRecord replaced = journal->Record(4);
  EXPECT_EQ(replaced.kind, JournalKind::ReplacedValue);
  EXPECT_STREQ(replaced.path, "SOFTWARE\\Other");
  EXPECT_STREQ(replaced.valueName, "grp");
  EXPECT_EQ(replaced.previousType, 1u);
  ASSERT_EQ(replaced.previousSize, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(replaced.previousData), 5),
            std::string("old\0x", 5));

  // Past the end: empty texts, never another record.
  EXPECT_STREQ(journal->Record(5).path, "");
  journal->Clear();
  EXPECT_EQ(journal->Count(), 0u);
  EXPECT_STREQ(journal->Record(0).path, "");
}

TEST(InstallJournal, FullOfRecordsDropsAndCountsTheRest) {
  auto journal = NewJournal();
  for (uint32_t i = 0; i < InstallJournal::MaxRecords; ++i) {
    ASSERT_TRUE(journal->RecordFile(("F" + std::to_string(i)).c_str())) << i;
  }
  EXPECT_FALSE(journal->RecordDirectory("D"));
  EXPECT_FALSE(journal->RecordKey("K"));
  EXPECT_EQ(journal->Count(), InstallJournal::MaxRecords);
  EXPECT_EQ(journal->Dropped(), 2u);
  EXPECT_STREQ(journal->Record(InstallJournal::MaxRecords - 1).path, "F1023");

  // An undo still takes back everything that was kept.
  NotedActions actions;
  const UndoSummary summary = UndoJournal(*journal, actions);
  EXPECT_EQ(summary.undone, InstallJournal::MaxRecords);
  EXPECT_EQ(actions.steps.front(), "file F1023");
  EXPECT_EQ(actions.steps.back(), "file F0");
}

TEST(InstallJournal, TextThatDoesNotFitIsDroppedWholeAndSmallerOnesStillFit) {
  auto journal = NewJournal();
  const std::string path(1000, 'p');
  uint32_t kept = 0;
  while (journal->RecordFile(path.c_str())) ++kept;
  EXPECT_EQ(kept, InstallJournal::TextCapacity / (path.size() + 2));
  EXPECT_EQ(journal->Dropped(), 1u);
  for (uint32_t i = 0; i < kept; ++i) ASSERT_EQ(journal->Record(i).path, path) << i;

  // What is left of the text room still takes a record that fits it, and previous
  // data that would overrun it are refused with the whole record.
  EXPECT_TRUE(journal->RecordFile("short"));
  const std::vector<uint8_t> big(InstallJournal::TextCapacity, 1);
  EXPECT_FALSE(journal->RecordReplacedValue("K", "v", 3, big.data(),
                                            static_cast<uint32_t>(big.size())));
  EXPECT_EQ(journal->Count(), kept + 1);
  EXPECT_EQ(journal->Dropped(), 2u);
  journal->CountDropped();
  EXPECT_EQ(journal->Dropped(), 3u);
}

TEST(UndoJournal, TakesBackNewestFirstWithTheStepOfEachKind) {
  auto journal = NewJournal();
  const uint8_t previous[] = {'o', 'l', 'd'};
  journal->RecordDirectory("C:\\Games");           // the destination page
  journal->RecordDirectory("C:\\Games\\Vale");
  journal->RecordDirectory("C:\\Games\\Vale\\DATA");  // the extraction
  journal->RecordFile("C:\\Games\\Vale\\DATA\\MAPS.DAT");
  journal->RecordKey("SOFTWARE\\Maker");            // the registry
  journal->RecordAddedValue("SOFTWARE\\Maker", "pth");
  journal->RecordReplacedValue("SOFTWARE\\Uninstall", "DisplayName", 1, previous, 3);
  journal->RecordDirectory("C:\\Programs\\Games");  // the shortcuts
  journal->RecordFile("C:\\Programs\\Games\\Vale.lnk");

  NotedActions actions;
  const UndoSummary summary = UndoJournal(*journal, actions);
  EXPECT_EQ(actions.steps, (std::vector<std::string>{
                               "file C:\\Programs\\Games\\Vale.lnk",
                               "directory C:\\Programs\\Games",
                               "restore SOFTWARE\\Uninstall DisplayName 1 old",
                               "delete SOFTWARE\\Maker pth",
                               "key SOFTWARE\\Maker",
                               "file C:\\Games\\Vale\\DATA\\MAPS.DAT",
                               "directory C:\\Games\\Vale\\DATA",
                               "directory C:\\Games\\Vale",
                               "directory C:\\Games",
                           }));
  EXPECT_EQ(summary.undone, 9u);
  EXPECT_EQ(summary.left, 0u);
}

TEST(UndoJournal, GoesOnAfterAStepThatIsRefused) {
  auto journal = NewJournal();
  journal->RecordDirectory("C:\\Games");
  journal->RecordDirectory("C:\\Games\\Vale");
  journal->RecordFile("C:\\Games\\Vale\\A.TXT");
  journal->RecordFile("C:\\Games\\Vale\\B.TXT");

  // A file in use stays, so its directory is not empty and stays too.
  NotedActions actions;
  actions.refuse = {"C:\\Games\\Vale\\A.TXT", "C:\\Games\\Vale"};
  const UndoSummary summary = UndoJournal(*journal, actions);
  EXPECT_EQ(actions.steps.size(), 4u);
  EXPECT_EQ(actions.steps.back(), "directory C:\\Games");
  EXPECT_EQ(summary.undone, 2u);
  EXPECT_EQ(summary.left, 2u);

  // An empty journal asks for nothing.
  auto empty = NewJournal();
  NotedActions none;
  const UndoSummary nothing = UndoJournal(*empty, none);
  EXPECT_TRUE(none.steps.empty());
  EXPECT_EQ(nothing.undone + nothing.left, 0u);
}
