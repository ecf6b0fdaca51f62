// The engine with decoding workers: the target sees the same calls, call by call and
// byte for byte, with 1, 2 and 4 workers and pools from the smallest to the default,
// on the demo product's shape, on many tiny files, on a file larger than any pool, and
// when a file cannot be created or a write fails (also through QueuedTarget).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "payload/decode_ahead.h"
#include "payload/extract_engine.h"
#include "payload/output_buffers.h"
#include "payload/queued_target.h"
#include "tests/payload/archive_test_support.h"
#include "tests/payload/demo_shaped_tree.h"

using namespace archive_test;

namespace {

struct Setting {
  unsigned workers;
  uint32_t pool;  // 0: the default
};

// Every setting is compared with one worker, the walk decoding each file itself.
const Setting ParallelSettings[] = {
    {2, 0}, {4, 0}, {2, DecodeAhead::MinBuffers}, {4, DecodeAhead::MinBuffers}, {4, 5},
};

std::string Name(const Setting& s) {
  return std::to_string(s.workers) + " workers, pool " +
         (s.pool == 0 ? std::string("default") : std::to_string(s.pool));
}

ExtractReport Extract(const std::vector<uint8_t>& archive, ExtractTarget& target,
                      const Setting& setting) {
  ExtractOptions options;
  options.workers = setting.workers;
  options.poolBuffers = setting.pool;
  ExtractReport report{};
  ExtractArchive(archive.data(), archive.size(), target, &report, options);
  return report;
}

std::vector<std::string> CallsOf(const RecordingTarget& target, bool fileSystemOnly) {
  std::vector<std::string> calls;
  for (const RecordingTarget::Call& c : target.calls) {
    if (fileSystemOnly && (c.kind == 'R' || c.kind == 'P')) continue;
    calls.push_back(std::string(1, c.kind) + " " + c.path + " " + std::to_string(c.value));
  }
  return calls;
}

// Names the first call that differs rather than printing thousands.
void ExpectSameCalls(const std::vector<std::string>& expected,
                     const std::vector<std::string>& got, const std::string& what) {
  const size_t common = expected.size() < got.size() ? expected.size() : got.size();
  for (size_t i = 0; i < common; ++i) {
    ASSERT_EQ(got[i], expected[i]) << what << ": call " << i;
  }
  ASSERT_EQ(got.size(), expected.size()) << what;
}

void ExpectSameReport(const ExtractReport& expected, const ExtractReport& got,
                      const std::string& what) {
  EXPECT_EQ(got.result, expected.result) << what;
  EXPECT_EQ(got.failedFiles, expected.failedFiles) << what;
  EXPECT_EQ(got.filesWritten, expected.filesWritten) << what;
  EXPECT_EQ(got.bytesWritten, expected.bytesWritten) << what;
}

// A recording target that also checks the target contract from the other side: the
// data of a write stays untouched until the next Write returns (and until Finish).
class CheckingTarget : public RecordingTarget {
 public:
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    CheckLastWrite();
    const bool ok = RecordingTarget::Write(data, length, written);
    lastData_ = data;
    lastCopy_.assign(data, data + length);
    return ok;
  }
  LateFailures Finish() override {
    CheckLastWrite();
    return RecordingTarget::Finish();
  }
  bool changedUnderfoot = false;

 private:
  void CheckLastWrite() {
    if (lastData_ != nullptr && !std::equal(lastCopy_.begin(), lastCopy_.end(), lastData_)) {
      changedUnderfoot = true;
    }
  }
  const uint8_t* lastData_ = nullptr;
  std::vector<uint8_t> lastCopy_;
};

struct Outcome {
  std::vector<std::string> calls;
  std::map<std::string, std::vector<uint8_t>> files;
  ExtractReport report;
};

template <typename Prepare>
Outcome Run(const std::vector<uint8_t>& archive, const Setting& setting, Prepare prepare) {
  CheckingTarget target;
  prepare(target);
  Outcome o;
  o.report = Extract(archive, target, setting);
  o.calls = CallsOf(target, false);
  o.files = target.files;
  EXPECT_FALSE(target.changedUnderfoot)
      << Name(setting) << ": a buffer was reused before the next write returned";
  return o;
}

// Runs the archive with one worker and with every parallel setting; each must give the
// same calls, bytes and counts. Returns the single worker's outcome.
template <typename Prepare>
Outcome ExpectSameWithAnyWorkers(const std::vector<uint8_t>& archive, Prepare prepare) {
  const Outcome one = Run(archive, Setting{1, 0}, prepare);
  EXPECT_EQ(one.report.workers, 0u);
  for (const Setting& s : ParallelSettings) {
    const Outcome many = Run(archive, s, prepare);
    EXPECT_EQ(many.report.workers, s.workers) << Name(s);
    ExpectSameCalls(one.calls, many.calls, Name(s));
    EXPECT_TRUE(many.files == one.files) << Name(s);
    ExpectSameReport(one.report, many.report, Name(s));
  }
  return one;
}

void NoFailures(RecordingTarget&) {}

uint64_t WritesFor(const std::vector<MemoryItem>& tree) {
  uint64_t writes = 0;
  for (const MemoryItem& item : tree) {
    if (!item.directory) writes += item.data.empty() ? 1 : (item.data.size() + 131071) / 131072;
  }
  return writes;
}

// A file larger than the small pools of the settings, between small ones. In entry
// order: A.TXT (write 1), Z.TXT (2, 3), BIG, BIG\HUGE.DAT (4 to 28), BIG\SMALL.BIN (29).
constexpr size_t HugeSize = 24 * 131072 + 5;
std::vector<MemoryItem> TreeWithHugeFile() {
  return {File("A.TXT", MakeData(5000, 0)), Dir("BIG"),
          File("BIG\\HUGE.DAT", MakeData(HugeSize, 2)),
          File("BIG\\SMALL.BIN", MakeData(300, 1)), File("Z.TXT", MakeData(131073, 0))};
}

std::vector<MemoryItem> ManyTinyFiles() {
  std::vector<MemoryItem> tree;
  for (int d = 0; d < 3; ++d) {
    const std::string dir = "D" + std::to_string(d);
    tree.push_back(Dir(dir));
    for (int f = 0; f < 200; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "%s\\F%03d", dir.c_str(), f);
      tree.push_back(File(name, MakeData(static_cast<size_t>((f * 7) % 41), f)));
    }
  }
  return tree;
}

// Bytes decoded in vain for a file given up: the rest of the decoder's stretch and,
// with workers, what the file's worker had decoded ahead (at most the pool).
uint64_t WasteBound(const Setting& s) {
  const uint64_t stretch = LzhDecoder::LeafStretch + MaxMatch;
  if (s.workers == 1) return stretch;
  const uint32_t pool = s.pool != 0 ? s.pool : DefaultPoolBuffers(s.workers);
  return static_cast<uint64_t>(pool) * OutputBufferSize + stretch;
}

const Setting AllSettings[] = {
    {1, 0}, {2, 0}, {4, 0}, {2, DecodeAhead::MinBuffers}, {4, DecodeAhead::MinBuffers}, {4, 5},
};

}  // namespace

TEST(ExtractParallel, DemoShapedPayloadGivesTheSameCallsWithAnyWorkers) {
  const std::vector<MemoryItem> tree = DemoShapedTree(16);
  const Outcome one = ExpectSameWithAnyWorkers(Pack(tree), NoFailures);
  EXPECT_EQ(one.report.filesWritten, 306u);
  EXPECT_EQ(one.report.failedFiles, 0u);
  size_t writes = 0;
  for (const std::string& call : one.calls) writes += call[0] == 'W';
  EXPECT_EQ(writes, WritesFor(tree));
}

TEST(ExtractParallel, ManyTinyFilesGiveTheSameCallsWithAnyWorkers) {
  const Outcome one = ExpectSameWithAnyWorkers(Pack(ManyTinyFiles()), NoFailures);
  EXPECT_EQ(one.report.filesWritten, 600u);
}

TEST(ExtractParallel, FileLargerThanThePoolStreamsThroughIt) {
  const std::vector<uint8_t> archive = Pack(TreeWithHugeFile());
  const Outcome one = ExpectSameWithAnyWorkers(archive, NoFailures);
  EXPECT_EQ(one.files.at("BIG\\HUGE.DAT"), MakeData(HugeSize, 2));
  // Nothing is decoded twice or in vain.
  RecordingTarget target;
  const ExtractReport report = Extract(archive, target, Setting{4, DecodeAhead::MinBuffers});
  EXPECT_EQ(report.bytesDecoded, report.bytesWritten);
}

TEST(ExtractParallel, FileThatCannotBeCreatedEndsAsWithOneWorker) {
  const std::vector<uint8_t> archive = Pack(TreeWithHugeFile());
  auto failHuge = [](RecordingTarget& t) { t.failOpen["BIG\\HUGE.DAT"] = 1; };
  const Outcome one = ExpectSameWithAnyWorkers(archive, failHuge);
  EXPECT_EQ(one.report.failedFiles, 1u);
  EXPECT_EQ(one.report.filesWritten, 3u);
  // Its worker stops: no more than the pool is decoded in vain; one worker never
  // starts on it.
  for (const Setting& s : AllSettings) {
    RecordingTarget target;
    failHuge(target);
    const ExtractReport report = Extract(archive, target, s);
    EXPECT_LE(report.bytesDecoded, report.bytesWritten + (s.workers == 1 ? 0 : WasteBound(s)))
        << Name(s);
  }
}

TEST(ExtractParallel, FailedWriteEndsTheFileAsWithOneWorker) {
  const std::vector<uint8_t> archive = Pack(TreeWithHugeFile());
  // HUGE.DAT's tenth write fails.
  auto failTenth = [](RecordingTarget& t) { t.failWriteNumber = 13; };
  const Outcome one = ExpectSameWithAnyWorkers(archive, failTenth);
  EXPECT_EQ(one.report.failedFiles, 1u);
  EXPECT_EQ(one.report.bytesWritten, 5000u + 9u * 131072u + 300u + 131073u);
  // The rest of the file is not decoded (the failed chunk's bytes were not written).
  for (const Setting& s : AllSettings) {
    RecordingTarget target;
    failTenth(target);
    const ExtractReport report = Extract(archive, target, s);
    EXPECT_LE(report.bytesDecoded, report.bytesWritten + OutputBufferSize + WasteBound(s))
        << Name(s);
  }
  // The failure of the first file's only write, of a file's last write (Z.TXT's,
  // HUGE.DAT's) and of the last file's.
  for (uint32_t failing : {1u, 3u, 28u, 29u}) {
    ExpectSameWithAnyWorkers(archive, [&](RecordingTarget& t) { t.failWriteNumber = failing; });
  }
}

// Changes one bit of the stream of the file at `path` so that it decodes to other
// bytes of the same count (the first such bit from the stream's 41st byte on).
std::vector<uint8_t> WithFileDamaged(const std::vector<uint8_t>& archive,
                                     const std::string& path) {
  ArchiveReader reader;
  reader.Open(archive.data());
  const std::vector<uint8_t> sound = DecodeAll(archive, nullptr).at(path);
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (path != reader.Path(i)) continue;
    const size_t stream = static_cast<size_t>(reader.BlockOffset(i)) + 12;
    for (size_t at = stream + 40; at < stream + 400; ++at) {
      std::vector<uint8_t> damaged = archive;
      damaged[at] ^= 0x10;
      const std::vector<uint8_t> decoded = DecodeAll(damaged, nullptr).at(path);
      if (decoded != sound && decoded.size() == sound.size()) return damaged;
    }
  }
  ADD_FAILURE() << "no bit of " << path << " changes its bytes";
  return archive;
}

TEST(ExtractParallel, FileThatFailsItsChecksumStopsTheWalkAsWithOneWorker) {
  // HUGE.DAT fails at its end: 25 chunks are decoded, 24 written, the last is not; the
  // walk stops there, so BIG\SMALL.BIN never comes, and the archive is damaged.
  const std::vector<uint8_t> archive = WithFileDamaged(Pack(TreeWithHugeFile()), "BIG\\HUGE.DAT");
  const Outcome one = ExpectSameWithAnyWorkers(archive, NoFailures);
  EXPECT_EQ(one.report.result, -1);
  EXPECT_TRUE(one.report.damaged);
  EXPECT_NE(std::string(one.report.problem).find("entry 3 \"BIG\\HUGE.DAT\": decodes to "),
            std::string::npos)
      << one.report.problem;
  EXPECT_EQ(one.report.failedFiles, 1u);
  EXPECT_EQ(one.report.filesWritten, 2u);
  EXPECT_EQ(one.report.bytesWritten, 5000u + 131073u + 24u * 131072u);
  EXPECT_EQ(one.calls.back(), "C BIG\\HUGE.DAT 0");
  EXPECT_EQ(one.files.count("BIG\\SMALL.BIN"), 0u);
  for (const Setting& s : AllSettings) {
    CheckingTarget target;
    ExtractReport report = Extract(archive, target, s);
    EXPECT_EQ(report.result, -1) << Name(s);
  }

  // An archive packed before files had checksums is written as it decodes.
  std::vector<uint8_t> plain;
  std::string error;
  ASSERT_TRUE(PackInMemory(TreeWithHugeFile(), &plain, &error, FileChecksums::None));
  const Outcome unchecked = ExpectSameWithAnyWorkers(WithFileDamaged(plain, "BIG\\HUGE.DAT"),
                                                     NoFailures);
  EXPECT_EQ(unchecked.report.result, 0);
  EXPECT_EQ(unchecked.report.filesWritten, 4u);
}

TEST(ExtractParallel, FailuresThroughTheQueueEndAsWithOneWorker) {
  // Repaint and progress reach the inner target on the engine's thread while the
  // queue's thread makes the file calls: they are counted apart.
  class InnerTarget : public RecordingTarget {
   public:
    void Repaint() override { ++repaints; }
    void Progress(int32_t) override { ++progress; }
    std::atomic<uint32_t> repaints{0};
    std::atomic<uint32_t> progress{0};
  };
  const std::vector<uint8_t> archive = Pack(TreeWithHugeFile());
  for (int failure = 0; failure < 3; ++failure) {
    auto prepare = [&](RecordingTarget& t) {
      if (failure == 1) t.failOpen["BIG\\HUGE.DAT"] = 1;
      if (failure == 2) t.failWriteNumber = 13;
    };
    std::vector<std::string> expected;
    ExtractReport expectedReport{};
    uint32_t expectedProgress = 0;
    for (const Setting& s : {Setting{1, 0}, Setting{2, 0}, Setting{4, DecodeAhead::MinBuffers}}) {
      InnerTarget inner;
      prepare(inner);
      ExtractReport report;
      {
        QueuedTarget queued(inner);
        report = Extract(archive, queued, s);
      }
      const std::string what = Name(s) + ", failure " + std::to_string(failure);
      if (s.workers == 1) {
        expected = CallsOf(inner, true);
        expectedReport = report;
        expectedProgress = inner.progress;
        EXPECT_EQ(report.failedFiles, failure == 0 ? 0u : 1u) << what;
        continue;
      }
      ExpectSameCalls(expected, CallsOf(inner, true), what);
      ExpectSameReport(expectedReport, report, what);
      EXPECT_EQ(inner.progress, expectedProgress) << what;
    }
  }
}

TEST(ExtractParallel, WithoutAPoolTheWalkDecodesItself) {
  // A pool that cannot be had (too small, or more than may be allocated) leaves the
  // decoding to the walk, with the same calls.
  const std::vector<uint8_t> archive = Pack(SampleTree());
  RecordingTarget reference;
  Extract(archive, reference, Setting{1, 0});
  for (uint32_t pool : {DecodeAhead::MinBuffers - 1, MaxOutputBuffers + 1}) {
    RecordingTarget target;
    const ExtractReport report = Extract(archive, target, Setting{4, pool});
    EXPECT_EQ(report.result, 0) << pool;
    EXPECT_EQ(report.workers, 0u) << pool;
    ExpectSameCalls(CallsOf(reference, false), CallsOf(target, false), std::to_string(pool));
  }
}
