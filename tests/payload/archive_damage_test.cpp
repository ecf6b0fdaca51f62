// Damaged archives: every truncation and many rounds of seeded random byte
// damage over several valid archives. Each damaged archive must either be
// refused before the target sees any call, or be refused at the first file
// whose bytes fail their checksum (that file closed without its last write),
// or be extracted exactly as its (possibly damaged) streams decode, with every
// path inside the destination.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "payload/archive_check.h"
#include "payload/archive_format.h"
#include "payload/archive_reader.h"
#include "payload/extract_engine.h"
#include "payload/stdio_target.h"
#include "tests/payload/archive_test_support.h"
#include "tests/support/random.h"

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

std::vector<std::vector<uint8_t>> Corpus() {
  std::vector<std::vector<uint8_t>> corpus;
  corpus.push_back(Pack({File("ONE.TXT", MakeData(3000, 0))}));
  corpus.push_back(Pack({Dir("A"), Dir("A\\B"), Dir("C")}));
  corpus.push_back(Pack({File("README", MakeData(400, 0)), Dir("DATA"),
                         File("DATA\\X.BIN", MakeData(2500, 1)), File("DATA\\ZERO", {}),
                         Dir("DATA\\SUB"), File("DATA\\SUB\\Y.DAT", MakeData(1800, 2))}));
  std::vector<MemoryItem> many;
  many.push_back(Dir("LOTS"));
  for (int i = 0; i < 30; ++i) {
    many.push_back(File("LOTS\\F" + std::to_string(i) + ".BIN", MakeData(40 + 13 * i, i)));
  }
  corpus.push_back(Pack(many));
  return corpus;
}

// An entry path stays inside the destination: relative, no empty, "." or
// ".." component, no drive, no other separator.
bool StaysInside(const std::string& path) {
  if (path.empty() || path.find(':') != std::string::npos || path.find('/') != std::string::npos)
    return false;
  size_t start = 0;
  while (true) {
    const size_t end = path.find('\\', start);
    const std::string part = path.substr(start, end == std::string::npos ? end : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// Extracts `archive` from a buffer of exactly its size and checks the outcome.
void CheckOutcome(const std::vector<uint8_t>& archive, const std::string& what) {
  RecordingTarget target;
  ExtractReport report;
  const int32_t result = ExtractArchive(archive.data(), archive.size(), target, &report);
  if (result != 0) {
    ASSERT_TRUE(report.damaged) << what;
    if (target.calls.empty()) return;
    ASSERT_NE(std::string(report.problem).find("CRC-32"), std::string::npos)
        << what << ": refused after touching the target: " << report.problem;
    ASSERT_EQ(target.calls.back().kind, 'C') << what << ": the walk went on after the damage";
    return;
  }
  for (const auto& c : target.calls) {
    if (c.kind == 'D' || c.kind == 'O') {
      ASSERT_TRUE(StaysInside(c.path)) << what << ": " << c.path;
    }
  }
  std::vector<std::string> directories;
  const auto expected = DecodeAll(archive, &directories);
  ASSERT_EQ(target.directories, directories) << what;
  ASSERT_EQ(target.files.size(), expected.size()) << what;
  for (const auto& [path, data] : expected) {
    ASSERT_EQ(target.files[path], data) << what << ": " << path;
  }
}

}  // namespace

TEST(DamagedArchives, EveryTruncationIsRefusedBeforeAnyWrite) {
  for (const std::vector<uint8_t>& good : Corpus()) {
    // Every length: header, name table, directory header, entries, each
    // block header and each stream are all cut somewhere.
    for (size_t length = 0; length < good.size(); ++length) {
      const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(length));
      const uint8_t* start = length == 0 ? good.data() : cut.data();
      RecordingTarget target;
      ExtractReport report;
      ASSERT_EQ(ExtractArchive(start, length, target, &report), -1) << length;
      ASSERT_TRUE(report.damaged) << length;
      ASSERT_TRUE(target.calls.empty()) << length;
    }
    CheckOutcome(good, "undamaged");
  }
}

TEST(DamagedArchives, RandomByteDamageIsRefusedOrExtractedExactly) {
  test_support::Rng rng(20261209);
  int refused = 0, extracted = 0;
  for (const std::vector<uint8_t>& good : Corpus()) {
    ArchiveReader reader;
    reader.Open(good.data());
    // Most of the structure lies in the head and the block headers; aim half
    // of the damage there.
    const size_t head = static_cast<size_t>(reader.Directory().EntryArray - good.data()) +
                        static_cast<size_t>(reader.EntryCount()) * archive_format::EntrySize;
    for (int round = 0; round < 1500; ++round) {
      std::vector<uint8_t> damaged = good;
      const int hits = 1 + static_cast<int>(rng.Below(4));
      for (int h = 0; h < hits; ++h) {
        const size_t limit = rng.Below(2) != 0 ? head : damaged.size();
        const size_t at = rng.Below(static_cast<uint32_t>(limit));
        switch (rng.Below(4)) {
          case 0: damaged[at] ^= static_cast<uint8_t>(1u << rng.Below(8)); break;
          case 1: damaged[at] = 0; break;
          case 2: damaged[at] = 0xFF; break;
          default: damaged[at] = rng.Byte(); break;
        }
      }
      if (rng.Below(8) == 0) damaged.resize(rng.Below(static_cast<uint32_t>(damaged.size())));
      CheckOutcome(damaged, "round " + std::to_string(round));
      if (HasFatalFailure()) return;
      ArchiveProblem problem;
      (CheckArchive(damaged.data(), damaged.size(), &problem) ? extracted : refused) += 1;
    }
  }
  // Both outcomes occur, so the test exercises both paths.
  EXPECT_GT(refused, 100);
  EXPECT_GT(extracted, 100);
}

TEST(DamagedArchives, NothingIsWrittenOutsideTheDestinationOnDisk) {
  const fs::path root = FreshTempDir("damage");
  const fs::path destination = root / "dest";
  fs::create_directories(destination);
  test_support::Rng rng(7);
  const std::vector<std::vector<uint8_t>> corpus = Corpus();
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> damaged = corpus[static_cast<size_t>(round) % corpus.size()];
    ArchiveReader reader;
    reader.Open(damaged.data());
    const size_t head = static_cast<size_t>(reader.Directory().EntryArray - damaged.data());
    for (int h = 0; h < 3; ++h) damaged[rng.Below(static_cast<uint32_t>(head))] = rng.Byte();
    StdioExtractTarget target(destination.string().c_str());
    ExtractReport report;
    ExtractArchive(damaged.data(), damaged.size(), target, &report);
  }
  size_t outside = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(root)) {
    outside += e.path().filename() != "dest";
  }
  EXPECT_EQ(outside, 0u);
  fs::remove_all(root);
}
