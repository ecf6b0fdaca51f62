// Single-bit damage to a packed archive, as a worn medium or a broken download
// makes it: exar verify names the entry of every flip in a stream that changes
// what it decodes to or how it ends, and of every flip in the fields that carry
// its check value; exar extract never leaves a file with other bytes than were
// packed without saying so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "payload/archive_reader.h"
#include "payload/archive_writer.h"
#include "tests/support/random.h"
#include "tool/commands.h"

namespace fs = std::filesystem;
using namespace archive_format;

namespace {

std::vector<uint8_t> Words(size_t n, uint64_t seed) {
  static const char* const words[] = {"vale ", "umber ", "lay ", "demo ", "map ", "tile\r\n"};
  test_support::Rng rng(seed);
  std::vector<uint8_t> out;
  while (out.size() < n) {
    const std::string w = words[rng.Below(6)];
    out.insert(out.end(), w.begin(), w.end());
  }
  out.resize(n);
  return out;
}

std::vector<uint8_t> Noise(size_t n, uint64_t seed) {
  test_support::Rng rng(seed);
  std::vector<uint8_t> out(n);
  for (uint8_t& b : out) b = rng.Byte();
  return out;
}

// Long runs and repeats: matches of every length, distance 0 among them.
std::vector<uint8_t> Runs(size_t n, uint64_t seed) {
  test_support::Rng rng(seed);
  std::vector<uint8_t> out;
  while (out.size() < n) out.insert(out.end(), 1 + rng.Below(200), rng.Byte());
  out.resize(n);
  return out;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class BitFlips : public ::testing::Test {
 protected:
  void SetUp() override {
    items_ = {
        MemoryItem{"README.TXT", false, Words(9000, 1)},
        MemoryItem{"DATA", true, {}},
        MemoryItem{"DATA\\NOISE.BIN", false, Noise(3000, 2)},
        MemoryItem{"DATA\\RUNS.BIN", false, Runs(40000, 3)},
        MemoryItem{"DATA\\OVER.MAP", false, Words(131073, 4)},
        MemoryItem{"DATA\\TINY", false, {42}},
    };
    std::string error;
    ASSERT_TRUE(PackInMemory(items_, &archive_, &error)) << error;
    std::random_device random;
    do {
      dir_ = fs::temp_directory_path() / ("exar-flips-" + std::to_string(random()));
    } while (!fs::create_directory(dir_));
    reader_.Open(archive_.data());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs one exar command with args; its output is kept, not shown.
  int Exar(const ExarCommand& command, std::vector<std::string> args, std::string* errors) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code = RunCommand(command, static_cast<int>(argv.size()), argv.data());
    ::testing::internal::GetCapturedStdout();
    *errors = ::testing::internal::GetCapturedStderr();
    return code;
  }

  // The file entry whose stored block holds archive byte `at`, or -1.
  int32_t EntryHolding(size_t at) const {
    for (int32_t i = 0; i < reader_.EntryCount(); ++i) {
      if (reader_.IsDirectory(i)) continue;
      const size_t start = static_cast<size_t>(reader_.BlockOffset(i));
      if (at >= start && at < start + static_cast<size_t>(reader_.Entry(i).BlockLength)) return i;
    }
    return -1;
  }

  // True when every file extracted into `out` holds exactly the packed bytes.
  bool ExtractedAsPacked(const fs::path& out) const {
    for (const MemoryItem& item : items_) {
      if (item.directory) continue;
      std::string path = item.path;
      for (char& c : path) c = c == '\\' ? '/' : c;
      if (ReadFile(out / path) != item.data) return false;
    }
    return true;
  }

  std::vector<MemoryItem> items_;
  std::vector<uint8_t> archive_;
  ArchiveReader reader_;
  fs::path dir_;
};

TEST_F(BitFlips, EveryFlipThatChangesAFileIsRefusedAndNoneGoesUnreported) {
  const std::string archivePath = (dir_ / "a.pak").string();
  std::string errors;
  WriteFile(archivePath, archive_);
  ASSERT_EQ(Exar(VerifyCommand, {archivePath}, &errors), ExitSuccess) << errors;

  // The stream bytes of every file, as positions in the archive.
  std::vector<size_t> streamBytes;
  for (int32_t i = 0; i < reader_.EntryCount(); ++i) {
    if (reader_.IsDirectory(i)) continue;
    const size_t stream = static_cast<size_t>(reader_.BlockOffset(i)) + BlockHeaderSize;
    const uint32_t length = ArchiveReader::BlockCompressedSize(reader_.EntryBlock(i));
    for (uint32_t k = 0; k < length; ++k) streamBytes.push_back(stream + k);
  }

  test_support::Rng rng(2026);
  const int tried = 1000;
  int refused = 0, extractReported = 0, extractIntact = 0, unchanged = 0;
  for (int n = 0; n < tried; ++n) {
    const size_t at = streamBytes[rng.Below(static_cast<uint32_t>(streamBytes.size()))];
    const uint8_t bit = static_cast<uint8_t>(1u << rng.Below(8));
    std::vector<uint8_t> damaged = archive_;
    damaged[at] ^= bit;
    WriteFile(archivePath, damaged);
    const std::string named = "entry " + std::to_string(EntryHolding(at)) + " ";

    // A flip that leaves every decoded byte, the stream's length and its last bits as
    // they were (a match's distance moved within a run of equal bytes) changes no
    // file: verify may take it, and extract must then write every file as packed.
    const int verified = Exar(VerifyCommand, {archivePath}, &errors);
    if (verified == ExitFailure) {
      ++refused;
      EXPECT_NE(errors.find(named), std::string::npos) << "byte " << at << ": " << errors;
    } else {
      EXPECT_EQ(verified, ExitSuccess) << errors;
    }

    const fs::path out = dir_ / "out";
    fs::remove_all(out);
    if (Exar(ExtractCommand, {archivePath, out.string()}, &errors) != ExitSuccess) {
      ++extractReported;
      EXPECT_NE(errors.find(named), std::string::npos) << "byte " << at << ": " << errors;
    } else {
      ++extractIntact;
      EXPECT_TRUE(ExtractedAsPacked(out)) << "byte " << at << " bit " << int(bit)
                                          << ": a changed file was extracted without a word";
      if (verified == ExitSuccess) ++unchanged;
    }
    EXPECT_TRUE(verified == ExitFailure || ExtractedAsPacked(out))
        << "byte " << at << " bit " << int(bit) << ": verify took a flip that changes a file";
  }
  // Flips that change nothing decoded are few; nearly all are caught.
  EXPECT_LT(unchanged, tried / 20);
  std::printf("%d of %d flips refused by verify (%d changed no decoded byte); extract "
              "reported %d, the other %d left every file as packed\n",
              refused, tried, unchanged, extractReported, extractIntact);
}

TEST_F(BitFlips, EveryFlipInTheReservedFieldsIsRefused) {
  const std::string archivePath = (dir_ / "a.pak").string();
  std::string errors;
  for (int32_t i = 0; i < reader_.EntryCount(); ++i) {
    const size_t record = static_cast<size_t>(reader_.EntryRecord(i) - archive_.data());
    for (uint32_t field : {EntryReserved1, EntryReserved2}) {
      for (int bit = 0; bit < 32; ++bit) {
        std::vector<uint8_t> damaged = archive_;
        damaged[record + field + bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
        WriteFile(archivePath, damaged);
        EXPECT_EQ(Exar(VerifyCommand, {archivePath}, &errors), ExitFailure)
            << "entry " << i << " field " << field << " bit " << bit;
        EXPECT_NE(errors.find("entry " + std::to_string(i) + " "), std::string::npos) << errors;
      }
    }
  }
}

}  // namespace
