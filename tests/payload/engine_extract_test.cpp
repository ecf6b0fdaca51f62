#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/archive_writer.h"
#include "payload/extract_engine.h"
#include "tests/payload/archive_test_support.h"

using namespace archive_test;

namespace {

ExtractReport Extract(const std::vector<uint8_t>& archive, RecordingTarget& target) {
  ExtractReport report;
  ExtractArchive(archive.data(), archive.size(), target, &report);
  return report;
}

std::vector<uint32_t> ProgressValues(const RecordingTarget& t) {
  std::vector<uint32_t> values;
  for (const auto& c : t.calls) {
    if (c.kind == 'P') values.push_back(c.value);
  }
  return values;
}

}  // namespace

TEST(ExtractBuffer, WritesWhenAByteFindsTheBufferFull) {
  struct Case {
    size_t size;
    std::vector<uint32_t> writes;
  };
  const Case cases[] = {
      {0, {0}},
      {1, {1}},
      {131071, {131071}},
      {131072, {131072}},  // one write at the flush
      {131073, {131072, 1}},
      {262144, {131072, 131072}},
      {262145, {131072, 131072, 1}},
  };
  for (const Case& c : cases) {
    RecordingTarget target;
    const std::vector<uint8_t> data = MakeData(c.size, 2);
    const ExtractReport report = Extract(Pack({File("F.BIN", data)}), target);
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(target.WritesOf("F.BIN"), c.writes) << "size " << c.size;
    EXPECT_EQ(target.files["F.BIN"], data) << "size " << c.size;
    // One progress report after every write.
    EXPECT_EQ(target.Count('P'), c.writes.size()) << "size " << c.size;
    EXPECT_EQ(report.bytesWritten, c.size);
    EXPECT_EQ(report.filesWritten, 1u);
  }
}

TEST(ExtractBuffer, ProgressIsBytesWrittenOverThePayloadTotal) {
  // 3 MiB of quickly compressible data: percent = written * 95 / 89,953,485.
  RecordingTarget target;
  const ExtractReport report = Extract(
      Pack({File("A", std::vector<uint8_t>(1500000, 7)), File("B", MakeData(1700000, 2))}), target);
  ASSERT_EQ(report.result, 0);
  uint64_t written = 0;
  for (const auto& c : target.calls) {
    if (c.kind == 'W') written += c.value;
    if (c.kind == 'P') {
      EXPECT_EQ(c.value, written * 95 / PayloadTotalBytes);
    }
  }
  const std::vector<uint32_t> values = ProgressValues(target);
  ASSERT_FALSE(values.empty());
  EXPECT_EQ(values.back(), 3200000ull * 95 / PayloadTotalBytes);  // 3
  for (size_t i = 1; i < values.size(); ++i) EXPECT_LE(values[i - 1], values[i]);
}

TEST(ExtractBuffer, PercentIsFiguredInSixtyFourBits) {
  EXPECT_EQ(ExtractionPercent(0), 0);
  EXPECT_EQ(ExtractionPercent(22605091), 23);  // 95 times it still fits 31 bits
  EXPECT_EQ(ExtractionPercent(22605092), 23);  // from here on it would not
  EXPECT_EQ(ExtractionPercent(PayloadTotalBytes), 95);
  EXPECT_EQ(ExtractionPercent(90900363), 95);
  EXPECT_EQ(ExtractionPercent(90900364), 96);  // a payload this large would pass 95
  EXPECT_EQ(ExtractionPercent(4000000000ull), 4224);
}

// Counts what the engine writes and records each percentage it reports,
// keeping none of the data.
class CountingTarget : public ExtractTarget {
 public:
  void CreateDirectory(const char*) override {}
  bool OpenFile(const char*) override { return true; }
  bool Write(const uint8_t*, uint32_t length, uint32_t* written) override {
    total += length;
    totals.push_back(total);
    *written = length;
    return true;
  }
  void CloseFile() override {}
  void InstallListLine(const char*, uint32_t) override {}
  void Repaint() override {}
  void Progress(int32_t percent) override { percents.push_back(percent); }

  uint64_t total = 0;
  std::vector<uint64_t> totals;   // bytes written after each write
  std::vector<int32_t> percents;  // reported after each write
};

// A payload of exactly PayloadTotalBytes, the demo product's size as far as
// the progress goes: files of zeros whose blocks are encoded once and shared.
std::vector<uint8_t> WholePayloadOfZeros() {
  constexpr uint32_t FileSize = 2000000;
  const uint32_t files = static_cast<uint32_t>(PayloadTotalBytes / FileSize);
  const uint32_t last = static_cast<uint32_t>(PayloadTotalBytes % FileSize);
  std::vector<PackItem> items;
  for (uint32_t i = 0; i <= files; ++i) {
    items.push_back(PackItem{"F" + std::to_string(1000 + i), false, i});
  }
  ArchivePlan plan;
  std::string error;
  EXPECT_TRUE(PlanArchive(items, &plan, &error)) << error;
  std::vector<uint8_t> whole, tail;
  const std::vector<uint8_t> zeros(FileSize, 0);
  const uint64_t wholeLength = AppendStoredBlock(zeros.data(), FileSize, whole);
  const uint64_t tailLength = AppendStoredBlock(zeros.data(), last, tail);
  uint64_t offset = plan.headSize;
  for (PlannedEntry& e : plan.entries) {
    const bool isLast = e.source == files;
    e.blockOffset = static_cast<uint32_t>(offset);
    e.blockLength = static_cast<uint32_t>(isLast ? tailLength : wholeLength);
    offset += e.blockLength;
  }
  std::vector<uint8_t> archive = ArchiveHead(plan);
  for (const PlannedEntry& e : plan.entries) {
    const std::vector<uint8_t>& block = e.source == files ? tail : whole;
    archive.insert(archive.end(), block.begin(), block.end());
  }
  return archive;
}

// Over the whole payload the percentage rises to 95 without a step back: past
// 22.6 MB, 32-bit arithmetic would overflow and report nonsense.
TEST(ExtractBuffer, PercentOverTheWholePayloadRisesToNinetyFive) {
  const std::vector<uint8_t> archive = WholePayloadOfZeros();
  CountingTarget target;
  ExtractReport report;
  ASSERT_EQ(ExtractArchive(archive.data(), archive.size(), target, &report), 0) << report.problem;
  EXPECT_EQ(report.failedFiles, 0u);
  EXPECT_EQ(target.total, PayloadTotalBytes);
  ASSERT_EQ(target.percents.size(), target.totals.size());
  ASSERT_FALSE(target.percents.empty());
  size_t pastOverflow = 0;
  for (size_t i = 0; i < target.percents.size(); ++i) {
    const uint64_t written = target.totals[i];
    EXPECT_EQ(target.percents[i], static_cast<int32_t>(written * 95 / 89953485)) << written;
    if (i > 0) ASSERT_LE(target.percents[i - 1], target.percents[i]) << written;
    pastOverflow += written > 22605091;
  }
  EXPECT_GT(pastOverflow, 500u);
  EXPECT_EQ(target.percents.back(), 95);
}

TEST(ExtractWalk, RepaintsAfterEntriesWithBitFour) {
  std::vector<MemoryItem> items;
  for (int i = 0; i < 20; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "F%02d", i);
    items.push_back(File(name, {static_cast<uint8_t>(i)}));
  }
  RecordingTarget target;
  ASSERT_EQ(Extract(Pack(items), target).result, 0);
  // The entry index of each repaint: count closes (one per entry) before it.
  std::vector<int> repaintedAfter;
  int entriesDone = 0;
  for (const auto& c : target.calls) {
    if (c.kind == 'L') ++entriesDone;
    if (c.kind == 'R') repaintedAfter.push_back(entriesDone - 1);
  }
  EXPECT_EQ(repaintedAfter, (std::vector<int>{4, 5, 6, 7, 12, 13, 14, 15}));
}

TEST(ExtractWalk, CreatesInEntryOrderAndFormatsTheInstallList) {
  RecordingTarget target;
  const ExtractReport report =
      Extract(Pack({Dir("GAME"), File("GAME\\VALE.EXE", {1, 2}), File("SETUP.INF", {3})}), target);
  ASSERT_EQ(report.result, 0);
  std::string sequence;
  std::vector<std::string> lines;
  for (const auto& c : target.calls) {
    if (c.kind != 'P') sequence += c.kind;
    if (c.kind == 'L') {
      lines.push_back(c.path);
      EXPECT_EQ(c.value, c.path.size());
    }
  }
  EXPECT_EQ(sequence, "OWCL" "DL" "OWCL");
  EXPECT_EQ(lines, (std::vector<std::string>{"SETUP.INF\r\n", "!GAME\r\n", "GAME\\VALE.EXE\r\n"}));
  EXPECT_EQ(target.directories, std::vector<std::string>{"GAME"});
  EXPECT_EQ(report.filesWritten, 2u);
  EXPECT_EQ(report.failedFiles, 0u);
}

TEST(ExtractFailures, FileThatCannotBeCreatedIsSkipped) {
  RecordingTarget target;
  target.failOpen["B"] = 1;
  const ExtractReport report =
      Extract(Pack({File("A", {1}), File("B", MakeData(1000, 1)), File("C", {3})}), target);
  EXPECT_EQ(report.result, 0);
  EXPECT_EQ(report.failedFiles, 1u);
  EXPECT_EQ(report.filesWritten, 2u);
  EXPECT_TRUE(target.WritesOf("B").empty());
  EXPECT_EQ(target.files["C"], std::vector<uint8_t>{3});
  EXPECT_EQ(target.Count('L'), 3u);  // its line is still written
  EXPECT_EQ(target.Count('C'), 2u);  // nothing to close for B
}

TEST(ExtractFailures, FailedWriteAbandonsTheFileAndTheWalkGoesOn) {
  // B needs three writes; the first fails. As described the engine would
  // retry the same write for every further byte; it must give the file up.
  for (uint32_t failing : {2u, 3u, 4u}) {  // B's first, second and last write
    RecordingTarget target;
    target.failWriteNumber = failing;
    const ExtractReport report = Extract(
        Pack({File("A", {1}), File("B", MakeData(300000, 1)), File("C", MakeData(10, 2))}),
        target);
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(report.failedFiles, 1u) << failing;
    EXPECT_EQ(report.filesWritten, 2u) << failing;
    EXPECT_EQ(target.WritesOf("B").size(), failing - 1) << failing;
    EXPECT_EQ(target.files["C"], MakeData(10, 2));
    // No progress for the failed write, none after it for B.
    EXPECT_EQ(target.Count('P'), 1u + (failing - 2) + 1u) << failing;
    EXPECT_EQ(report.bytesWritten, 1u + 131072u * (failing - 2) + 10u) << failing;
  }
}

TEST(ExtractFailures, DamagedOrMissingArchiveTouchesNothing) {
  std::vector<uint8_t> archive = Pack(SampleTree());
  archive.pop_back();
  RecordingTarget target;
  ExtractReport report = Extract(archive, target);
  EXPECT_EQ(report.result, -1);
  EXPECT_TRUE(report.damaged);
  EXPECT_NE(std::string(report.problem).find("past the end"), std::string::npos);
  EXPECT_TRUE(target.calls.empty());

  EXPECT_EQ(ExtractArchive(nullptr, 0, target, &report), -1);
  EXPECT_FALSE(report.damaged);
  EXPECT_TRUE(target.calls.empty());
  EXPECT_EQ(ExtractEntries(nullptr, target), -1);
}

TEST(ExtractWalk, ArchiveWithoutEntriesDoesNothing) {
  RecordingTarget target;
  const ExtractReport report = Extract(Pack({}), target);
  EXPECT_EQ(report.result, 0);
  EXPECT_TRUE(target.calls.empty());
}

TEST(ExtractWalk, TreeComesBackAsPacked) {
  const std::vector<MemoryItem> tree = SampleTree();
  RecordingTarget target;
  const ExtractReport report = Extract(Pack(tree), target);
  ASSERT_EQ(report.result, 0);
  size_t files = 0;
  for (const MemoryItem& item : tree) {
    if (item.directory) continue;
    ++files;
    EXPECT_EQ(target.files[item.path], item.data) << item.path;
  }
  EXPECT_EQ(report.filesWritten, files);
  EXPECT_EQ(target.files.size(), files);
  // Every directory before anything inside it.
  for (const auto& c : target.calls) {
    if (c.kind != 'O' && c.kind != 'D') continue;
    const size_t slash = c.path.rfind('\\');
    if (slash == std::string::npos) continue;
    const std::string parent = c.path.substr(0, slash);
    bool created = false;
    for (const auto& d : target.calls) {
      if (&d == &c) break;
      created = created || (d.kind == 'D' && d.path == parent);
    }
    EXPECT_TRUE(created) << c.path;
  }
}
