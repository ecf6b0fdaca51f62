// The extraction's recording target on a real file system: behind the file
// thread's queue, as the setup runs it, it records every directory and file
// that the Win32 target's calls create, in full and in the order of the calls,
// and never a directory that was there or a file that was overwritten; the
// Win32 undo then takes back exactly that.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "install/recording_target.h"
#include "payload/archive_writer.h"
#include "payload/extract_engine.h"
#include "payload/queued_target.h"
#include "payload/win32_target.h"
#include "shell/base/install_journal.h"
#include "shell/base/journal_undo.h"
#include "shell/base/win32_undo.h"
#include "tests/support/journal_lines.h"
#include "tests/support/setup_harness.h"

using win32ui::TreeListing;

namespace {

std::vector<uint8_t> Text(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

class Recording : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = FreshDirectory("recording");
    GetCurrentDirectoryA(sizeof(saved_), saved_);
  }
  void TearDown() override {
    SetCurrentDirectoryA(saved_);
    RemoveTree(root_);
  }

  // Extracts items into root_ as the setup does: the Win32 target wrapped by
  // the recording target behind the queue, the destination current.
  void Extract(const std::vector<MemoryItem>& items) {
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(PackInMemory(items, &archive, &error)) << error;
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
    Win32ExtractTarget files(nullptr, nullptr);
    RecordingTarget recorded(files, *journal_);
    QueuedTarget queue(recorded);
    ExtractReport report;
    ExtractArchive(archive.data(), archive.size(), queue, &report);
    EXPECT_EQ(report.result, 0);
    SetCurrentDirectoryA(saved_);
  }

  std::vector<std::string> Recorded() const { return test_support::JournalLines(*journal_); }

  std::unique_ptr<InstallJournal> journal_ = std::make_unique<InstallJournal>();
  std::string root_;
  char saved_[MAX_PATH] = {0};
};

}  // namespace

TEST_F(Recording, ExtractionRecordsItsNewPathsInFullInTheOrderTheyAreMade) {
  // DATA and README.TXT are there before; README.TXT is overwritten.
  ASSERT_TRUE(CreateDirectoryA((root_ + "\\DATA").c_str(), nullptr));
  ASSERT_TRUE(WriteWholeFile(root_ + "\\README.TXT", "the user's own"));
  Extract({{"DATA", true, {}},
           {"DOCS", true, {}},
           {"DATA\\MAPS.DAT", false, std::vector<uint8_t>(131073, 'm')},
           {"DOCS\\A.TXT", false, Text("a")},
           {"DOCS\\EMPTY.TXT", false, {}},
           {"README.TXT", false, Text("new")}});
  // Archives stand by level: the root's files, then each directory and its files.
  EXPECT_EQ(Recorded(), (std::vector<std::string>{"file " + root_ + "\\DATA\\MAPS.DAT",
                                                  "directory " + root_ + "\\DOCS",
                                                  "file " + root_ + "\\DOCS\\A.TXT",
                                                  "file " + root_ + "\\DOCS\\EMPTY.TXT"}));

  Win32UndoActions undo;
  const UndoSummary summary = UndoJournal(*journal_, undo);
  EXPECT_EQ(summary.left, 0u);
  // What was there stays, the overwritten file with what the run wrote into it.
  EXPECT_EQ(TreeListing(root_), (std::vector<std::string>{"DATA\\", "README.TXT 3"}));
  EXPECT_EQ(ReadWholeFile(root_ + "\\README.TXT"), "new");
}

// Without the queue: each call is recorded right after the Win32 target made
// it, and a file that could not be created is not the run's.
TEST_F(Recording, CallsThatCreateNothingRecordNothing) {
  ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str()));
  ASSERT_TRUE(CreateDirectoryA("THERE", nullptr));
  Win32ExtractTarget files(nullptr, nullptr);
  RecordingTarget recorded(files, *journal_);
  recorded.CreateDirectory("THERE");
  recorded.CreateDirectory("NEW");
  EXPECT_FALSE(recorded.OpenFile("MISSING\\A.TXT")) << "its directory is not there";
  EXPECT_FALSE(recorded.OpenFile("NEW")) << "a directory is in the way";
  ASSERT_TRUE(recorded.OpenFile("NEW\\B.TXT"));
  uint32_t written = 0;
  EXPECT_TRUE(recorded.Write(reinterpret_cast<const uint8_t*>("bee"), 3, &written));
  EXPECT_EQ(written, 3u);
  ASSERT_TRUE(recorded.OpenFile("NEW\\B.TXT")) << "the same file again, overwritten";
  recorded.CloseFile();
  EXPECT_EQ(recorded.Finish().files, 0u);
  SetCurrentDirectoryA(saved_);
  EXPECT_EQ(Recorded(), (std::vector<std::string>{"directory " + root_ + "\\NEW",
                                                  "file " + root_ + "\\NEW\\B.TXT"}));
  EXPECT_EQ(journal_->Dropped(), 0u);
}
