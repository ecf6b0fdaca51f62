// The engine through QueuedTarget: the inner target sees the same file-system calls,
// in the same order and with the same bytes, as without the queue, and what it refuses
// is reported as the engine reports it without the queue.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "payload/extract_engine.h"
#include "payload/queued_target.h"
#include "tests/payload/archive_test_support.h"

using namespace archive_test;

namespace {

ExtractReport Extract(const std::vector<uint8_t>& archive, ExtractTarget& target) {
  ExtractReport report{};
  ExtractArchive(archive.data(), archive.size(), target, &report);
  return report;
}

ExtractReport ExtractQueued(const std::vector<uint8_t>& archive, ExtractTarget& inner) {
  QueuedTarget queued(inner);
  return Extract(archive, queued);
}

// The calls that reach the file system (repaint and progress are not queued).
std::vector<std::string> FileCalls(const RecordingTarget& t) {
  std::vector<std::string> calls;
  for (const RecordingTarget::Call& c : t.calls) {
    if (c.kind == 'R' || c.kind == 'P') continue;  // recorded by the direct runs only
    calls.push_back(std::string(1, c.kind) + " " + c.path + " " + std::to_string(c.value));
  }
  return calls;
}

// Repaint and progress come on the engine's thread while the queue's thread makes the
// file calls: they are counted apart from the recorded calls.
class InnerTarget : public RecordingTarget {
 public:
  void Repaint() override { ++repaints; }
  void Progress(int32_t) override { ++progressReports; }
  std::atomic<uint32_t> repaints{0};
  std::atomic<uint32_t> progressReports{0};
};

// A target that takes its time over every write and checks, when it is done, that
// the bytes it was given did not change meanwhile.
class SlowTarget : public InnerTarget {
 public:
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    const std::vector<uint8_t> before(data, data + length);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!std::equal(before.begin(), before.end(), data)) changedUnderfoot = true;
    return RecordingTarget::Write(data, length, written);
  }
  bool changedUnderfoot = false;
};

std::vector<MemoryItem> TreeWithLargeFiles() {
  std::vector<MemoryItem> tree = SampleTree();
  tree.push_back(Dir("BIG"));
  tree.push_back(File("BIG\\ONE.BIN", MakeData(3 * 131072 + 17, 1)));
  tree.push_back(File("BIG\\TWO.TXT", MakeData(2 * 131072, 0)));
  tree.push_back(File("BIG\\EMPTY", {}));
  tree.push_back(File("BIG\\THREE.DAT", MakeData(131073, 2)));
  return tree;
}

}  // namespace

TEST(QueuedTarget, InnerTargetSeesTheSameCallsAndBytesAsWithoutTheQueue) {
  const std::vector<uint8_t> archive = Pack(TreeWithLargeFiles());
  RecordingTarget direct;
  const ExtractReport directReport = Extract(archive, direct);
  SlowTarget queued;
  const ExtractReport queuedReport = ExtractQueued(archive, queued);

  EXPECT_EQ(FileCalls(queued), FileCalls(direct));
  EXPECT_EQ(queued.files, direct.files);
  EXPECT_EQ(queued.directories, direct.directories);
  EXPECT_FALSE(queued.changedUnderfoot) << "a buffer was refilled while it was being written";
  // Progress after every write, as many as without the queue, and repaints alike.
  EXPECT_EQ(queued.progressReports, direct.Count('P'));
  EXPECT_EQ(queued.repaints, direct.Count('R'));
  EXPECT_EQ(queuedReport.filesWritten, directReport.filesWritten);
  EXPECT_EQ(queuedReport.failedFiles, 0u);
  EXPECT_EQ(queuedReport.bytesWritten, directReport.bytesWritten);
}

TEST(QueuedTarget, FileThatCannotBeCreatedGetsNoWriteAndCountsAsFailed) {
  const std::vector<uint8_t> archive =
      Pack({File("A", {1}), File("B", MakeData(300000, 1)), File("C", {3})});
  RecordingTarget direct;
  direct.failOpen["B"] = 1;
  const ExtractReport expected = Extract(archive, direct);
  InnerTarget inner;
  inner.failOpen["B"] = 1;
  const ExtractReport report = ExtractQueued(archive, inner);

  EXPECT_EQ(report.failedFiles, 1u);
  EXPECT_EQ(report.filesWritten, 2u);
  EXPECT_EQ(report.bytesWritten, expected.bytesWritten);
  EXPECT_TRUE(inner.WritesOf("B").empty());
  EXPECT_EQ(inner.Count('C'), 2u);  // nothing to close for B
  EXPECT_EQ(inner.files["C"], std::vector<uint8_t>{3});
  EXPECT_EQ(FileCalls(inner), FileCalls(direct));
}

TEST(QueuedTarget, FailedWriteEndsTheFileAndTheWalkGoesOn) {
  const std::vector<uint8_t> archive =
      Pack({File("A", {1}), File("B", MakeData(300000, 1)), File("C", MakeData(10, 2))});
  for (uint32_t failing : {2u, 3u, 4u}) {  // B's first, second and last write
    RecordingTarget direct;
    direct.failWriteNumber = failing;
    const ExtractReport expected = Extract(archive, direct);
    InnerTarget inner;
    inner.failWriteNumber = failing;
    const ExtractReport report = ExtractQueued(archive, inner);

    EXPECT_EQ(report.failedFiles, 1u) << failing;
    EXPECT_EQ(report.filesWritten, 2u) << failing;
    EXPECT_EQ(report.bytesWritten, expected.bytesWritten) << failing;
    EXPECT_EQ(inner.WritesOf("B").size(), failing - 1) << failing;
    EXPECT_EQ(inner.files["C"], MakeData(10, 2)) << failing;
    EXPECT_EQ(FileCalls(inner), FileCalls(direct)) << failing;
  }
}

TEST(QueuedTarget, ShortWriteCountsAsFailedWithTheBytesItDidNotWrite) {
  class ShortTarget : public InnerTarget {
   public:
    bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
      RecordingTarget::Write(data, length, written);
      if (current == "B") *written = length / 2;  // a full drive takes only part of it
      return true;
    }
  };
  const std::vector<uint8_t> archive = Pack({File("A", {1}), File("B", MakeData(300000, 1))});
  ShortTarget direct;
  const ExtractReport expected = Extract(archive, direct);
  ShortTarget inner;
  const ExtractReport report = ExtractQueued(archive, inner);
  EXPECT_EQ(expected.failedFiles, 1u);
  EXPECT_EQ(report.failedFiles, 1u);
  EXPECT_EQ(report.filesWritten, 1u);
  EXPECT_EQ(report.bytesWritten, expected.bytesWritten);
  EXPECT_EQ(inner.WritesOf("B").size(), 1u);
}

TEST(QueuedTarget, OneQueueServesExtractionAfterExtraction) {
  const std::vector<uint8_t> archive = Pack(TreeWithLargeFiles());
  InnerTarget inner;
  inner.failOpen["BIG\\ONE.BIN"] = 1;
  QueuedTarget queued(inner);
  const ExtractReport first = Extract(archive, queued);
  inner.failOpen.clear();
  const ExtractReport second = Extract(archive, queued);
  EXPECT_EQ(first.failedFiles, 1u);
  EXPECT_EQ(second.failedFiles, 0u);  // the first run's failures are not counted again
  EXPECT_EQ(second.filesWritten, first.filesWritten + 1);
}

TEST(QueuedTarget, PathTooLongForTheQueueIsRefusedNotCutShort) {
  // A checked archive never holds such a path; handed one anyway, the queue must not
  // create a file (or a directory) under the first part of the name.
  const std::string longPath(archive_format::MaxPathLength + 8, 'A');
  InnerTarget inner;
  LateFailures late{};
  {
    QueuedTarget queued(inner);
    queued.CreateDirectory(longPath.c_str());
    EXPECT_TRUE(queued.OpenFile(longPath.c_str()));
    uint32_t written = 0;
    const uint8_t data[3] = {1, 2, 3};
    EXPECT_TRUE(queued.Write(data, 3, &written));
    queued.CloseFile();
    queued.InstallListLine(longPath.c_str(), static_cast<uint32_t>(longPath.size()));
    late = queued.Finish();
  }
  EXPECT_EQ(late.files, 1u);
  EXPECT_EQ(late.bytes, 3u);
  EXPECT_TRUE(inner.directories.empty());
  EXPECT_EQ(inner.Count('O'), 0u);
  EXPECT_EQ(inner.Count('W'), 0u);
  EXPECT_EQ(inner.Count('C'), 0u);
  // The list line is kept, cut at the longest line a checked path makes.
  ASSERT_EQ(inner.Count('L'), 1u);
  EXPECT_EQ(inner.calls.back().path, longPath.substr(0, archive_format::MaxPathLength + 3));
}

TEST(QueuedTarget, CallsThatWakeNoOneAreAllCarriedOut) {
  // Only a write wakes the worker at once; directories and list lines wait for the next
  // write, for a full queue or for the end. Far more of them than the queue holds, with
  // no write at all, must still all arrive, whether the queue is finished or destroyed.
  InnerTarget finished;
  InnerTarget destroyed;
  LateFailures late{};
  {
    QueuedTarget a(finished);
    QueuedTarget b(destroyed);
    for (int i = 0; i < 300; ++i) {
      const std::string path = "D" + std::to_string(i);
      a.CreateDirectory(path.c_str());
      a.InstallListLine(path.c_str(), static_cast<uint32_t>(path.size()));
      b.CreateDirectory(path.c_str());
    }
    late = a.Finish();
    EXPECT_EQ(finished.directories.size(), 300u);  // all carried out when Finish returns
    EXPECT_EQ(finished.Count('L'), 300u);
  }
  EXPECT_EQ(late.files, 0u);
  EXPECT_EQ(destroyed.directories.size(), 300u);
  EXPECT_EQ(destroyed.directories.back(), "D299");
}
