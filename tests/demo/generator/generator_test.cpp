// The demo tree as it lands on disk: its shape, names, sizes and the
// extraction engine's figures for it, read back from the files themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "demo/generator/generator.h"
#include "tests/support/random.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) ADD_FAILURE() << "cannot open " << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::vector<uint8_t> Bytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> data(size);
  test_support::Rng rng(seed);
  for (uint8_t& b : data) b = rng.Byte();
  return data;
}

// A scratch directory removed at the end of the test.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name)
      : path_(fs::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Stand-ins for the built programs, readme and settings, of given sizes.
demo::GeneratorInputs MakeInputs(const fs::path& dir, size_t vale, size_t config,
                                 size_t sweeper, size_t readme = 2400) {
  WriteFile(dir / "Vale.exe", Bytes(vale, 1));
  WriteFile(dir / "config.exe", Bytes(config, 2));
  WriteFile(dir / "Sweeper.exe", Bytes(sweeper, 3));
  const std::string text(readme, 'r');
  WriteFile(dir / "ReadMe.txt", std::vector<uint8_t>(text.begin(), text.end()));
  const std::string ini = "[Vale]\r\nResolution=800x600\r\nSound=On\r\n";
  WriteFile(dir / "VALE.INI", std::vector<uint8_t>(ini.begin(), ini.end()));
  return {(dir / "Vale.exe").string(), (dir / "config.exe").string(),
          (dir / "Sweeper.exe").string(), (dir / "ReadMe.txt").string(),
          (dir / "VALE.INI").string()};
}

// Where an archive path ('\'-separated) lies below root.
fs::path OnDisk(const fs::path& root, std::string archivePath) {
  std::replace(archivePath.begin(), archivePath.end(), '\\', '/');
  return root / archivePath;
}

// One entry of a tree found on disk, with its archive path and level.
struct DiskEntry {
  std::string path;  // '\'-separated
  bool directory;
  int level;
  uint64_t size;
};

// The tree below root in archive entry order, worked out from the disk:
// by level; each directory (by path) followed by its own files (by path).
std::vector<DiskEntry> EntriesOnDisk(const fs::path& root) {
  std::vector<DiskEntry> entries;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    std::string path = fs::relative(item.path(), root).generic_string();
    std::replace(path.begin(), path.end(), '/', '\\');
    const int components = 1 + static_cast<int>(std::count(path.begin(), path.end(), '\\'));
    const bool dir = item.is_directory();
    entries.push_back({path, dir, components + (dir ? 1 : 0), dir ? 0 : item.file_size()});
  }
  auto key = [](const DiskEntry& e) {
    const size_t slash = e.path.rfind('\\');
    const std::string parent = slash == std::string::npos ? "" : e.path.substr(0, slash);
    return std::make_tuple(e.level, e.directory ? e.path : parent, !e.directory, e.path);
  };
  std::sort(entries.begin(), entries.end(),
            [&](const DiskEntry& a, const DiskEntry& b) { return key(a) < key(b); });
  return entries;
}

// The engine's progress over files of these sizes: the write count, and
// where the percentage first reached its top.
struct Progress {
  uint64_t writes = 0, total = 0;
  int top = 0;
  size_t topFile = 0;
  uint64_t toCome = 0;
};
Progress RunProgress(const std::vector<uint64_t>& sizes) {
  Progress p;
  for (size_t i = 0; i < sizes.size(); ++i) {
    uint64_t left = sizes[i];
    do {
      const uint64_t n = std::min<uint64_t>(left, 131072);
      left -= n;
      p.total += n;
      ++p.writes;
      const int percent = static_cast<int>(static_cast<int64_t>(p.total * 95) / 89953485);
      if (percent > p.top) {
        p.top = percent;
        p.topFile = i;
        p.toCome = left;
      }
    } while (left > 0);
  }
  return p;
}

std::vector<uint64_t> FileSizes(const std::vector<DiskEntry>& entries) {
  std::vector<uint64_t> sizes;
  for (const DiskEntry& e : entries) {
    if (!e.directory) sizes.push_back(e.size);
  }
  return sizes;
}

class GeneratedTreeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDir("payloadgen-tree");
    inputs_ = MakeInputs(scratch_->path(), 310000, 205000, 262144);
    demo::GeneratedTree tree;
    std::string problem;
    ok_ = demo::GenerateTree(inputs_, (scratch_->path() / "tree").string(), &tree, &problem);
    problem_ = problem;
    if (ok_) entries_ = EntriesOnDisk(scratch_->path() / "tree");
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(ok_) << problem_; }
  static fs::path Root() { return scratch_->path() / "tree"; }

  static ScratchDir* scratch_;
  static demo::GeneratorInputs inputs_;
  static bool ok_;
  static std::string problem_;
  static std::vector<DiskEntry> entries_;
};
ScratchDir* GeneratedTreeTest::scratch_ = nullptr;
demo::GeneratorInputs GeneratedTreeTest::inputs_;
bool GeneratedTreeTest::ok_ = false;
std::string GeneratedTreeTest::problem_;
std::vector<DiskEntry> GeneratedTreeTest::entries_;

TEST_F(GeneratedTreeTest, HasTheProductsLevels) {
  std::map<int, std::pair<int, int>> perLevel;  // level -> (directories, files)
  for (const DiskEntry& e : entries_) (e.directory ? perLevel[e.level].first : perLevel[e.level].second)++;
  const std::map<int, std::pair<int, int>> expected = {
      {1, {0, 7}}, {2, {2, 0}}, {3, {6, 180}}, {4, {27, 119}}};
  EXPECT_EQ(perLevel, expected);
  EXPECT_EQ(entries_.size(), 341u);
  for (const char* name : {"VALE.EXE", "CONFIG.EXE", "SWEEPER.EXE", "README.TXT", "VALE.INI",
                           "UMBERLAY VALE.UNS"}) {
    EXPECT_TRUE(fs::is_regular_file(Root() / name)) << name;
  }
}

TEST_F(GeneratedTreeTest, NamesAreUpperCaseFromTheArchiveCharacterSet) {
  size_t nameTable = 0;
  for (const DiskEntry& e : entries_) {
    EXPECT_LE(e.path.size(), 41u) << e.path;
    for (char c : e.path) {
      const bool allowed = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                           c == '_' || c == '-' || c == '#' || c == '.' || c == '\\';
      EXPECT_TRUE(allowed) << e.path;
    }
    nameTable += e.path.size() + 1;
  }
  // The name table of the packed tree: every path with its terminator.
  EXPECT_EQ(nameTable, 9282u);
}

TEST_F(GeneratedTreeTest, SizesGiveTheEnginesFigures) {
  const std::vector<uint64_t> sizes = FileSizes(entries_);
  EXPECT_EQ(*std::min_element(sizes.begin(), sizes.end()), 140u);
  EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), 18870196u);
  const Progress p = RunProgress(sizes);
  EXPECT_EQ(p.total, 90051155u);
  EXPECT_EQ(p.writes, 898u);
  EXPECT_EQ(p.top, 95);
  EXPECT_EQ(p.topFile, sizes.size() - 1) << "95% must first be reached in the last file";
  EXPECT_EQ(p.toCome, 62228u);
}

TEST_F(GeneratedTreeTest, ListFileNamesEveryEntryInEntryOrder) {
  std::string expected;
  for (const DiskEntry& e : entries_) expected += (e.directory ? "!" : "") + e.path + "\r\n";
  const std::vector<uint8_t> list = ReadFile(Root() / "UMBERLAY VALE.UNS");
  EXPECT_EQ(std::string(list.begin(), list.end()), expected);
}

TEST_F(GeneratedTreeTest, BuiltFilesAreCopiedAsTheyAre) {
  EXPECT_EQ(ReadFile(Root() / "VALE.EXE"), ReadFile(inputs_.vale));
  EXPECT_EQ(ReadFile(Root() / "CONFIG.EXE"), ReadFile(inputs_.config));
  EXPECT_EQ(ReadFile(Root() / "SWEEPER.EXE"), ReadFile(inputs_.sweeper));
  EXPECT_EQ(ReadFile(Root() / "README.TXT"), ReadFile(inputs_.readme));
  // The settings keep their text after a comment header.
  const std::vector<uint8_t> ini = ReadFile(Root() / "VALE.INI");
  const std::vector<uint8_t> settings = ReadFile(inputs_.settings);
  ASSERT_GT(ini.size(), settings.size());
  EXPECT_EQ(ini[0], ';');
  EXPECT_TRUE(std::equal(settings.begin(), settings.end(), ini.end() - settings.size()));
}

TEST_F(GeneratedTreeTest, ContentsAreDistinctAndOfTheirKind) {
  std::set<std::vector<uint8_t>> seen;
  for (const DiskEntry& e : entries_) {
    if (e.directory) continue;
    std::vector<uint8_t> data = ReadFile(OnDisk(Root(), e.path));
    ASSERT_EQ(data.size(), e.size);
    const std::string ext = e.path.substr(e.path.rfind('.'));
    const std::string head(data.begin(), data.begin() + std::min<size_t>(12, data.size()));
    if (ext == ".WAV") {
      EXPECT_EQ(head.substr(0, 4), "RIFF") << e.path;
      EXPECT_EQ(head.substr(8, 4), "WAVE") << e.path;
    }
    if (ext == ".TXT" || ext == ".SCR" || ext == ".CSV" || ext == ".DLG" || ext == ".QST" ||
        ext == ".ENT") {
      const bool printable = std::all_of(data.begin(), data.end(), [](uint8_t c) {
        return (c >= 32 && c < 127) || c == '\r' || c == '\n';
      });
      EXPECT_TRUE(printable) << e.path;
    }
    EXPECT_TRUE(seen.insert(std::move(data)).second) << e.path << " repeats another file";
  }
}

TEST(GeneratorTest, SameInputsGiveTheSameTreeTwice) {
  ScratchDir scratch("payloadgen-twice");
  const demo::GeneratorInputs inputs = MakeInputs(scratch.path(), 150000, 90000, 400000);
  demo::GeneratedTree first, second;
  std::string problem;
  ASSERT_TRUE(demo::GenerateTree(inputs, (scratch.path() / "a").string(), &first, &problem))
      << problem;
  ASSERT_TRUE(demo::GenerateTree(inputs, (scratch.path() / "b").string(), &second, &problem))
      << problem;
  const std::vector<DiskEntry> a = EntriesOnDisk(scratch.path() / "a");
  const std::vector<DiskEntry> b = EntriesOnDisk(scratch.path() / "b");
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i].path, b[i].path);
    if (a[i].directory) continue;
    EXPECT_EQ(ReadFile(OnDisk(scratch.path() / "a", a[i].path)),
              ReadFile(OnDisk(scratch.path() / "b", b[i].path)))
        << a[i].path;
  }
}

// Whatever the programs weigh, the other files make up the difference.
TEST(GeneratorTest, PlanMeetsTheFiguresForAnyProgramSizes) {
  ScratchDir scratch("payloadgen-plan");
  const struct { size_t vale, config, sweeper, readme; } cases[] = {
      {140, 140, 140, 140},                  // the smallest a file may be
      {131072, 131072, 131073, 131072},      // on and just past a write boundary
      {48000, 23000, 61000, 1500},           // small programs
      {2500000, 1800000, 3100000, 40000},    // large programs
  };
  for (const auto& c : cases) {
    const demo::GeneratorInputs inputs =
        MakeInputs(scratch.path(), c.vale, c.config, c.sweeper, c.readme);
    demo::GeneratedTree tree;
    std::string problem;
    ASSERT_TRUE(demo::PlanTree(inputs, &tree, &problem)) << c.vale << ": " << problem;
    std::vector<uint64_t> sizes;
    for (size_t i = 0; i < tree.entries.size(); ++i) {
      if (!tree.entries[i].directory) sizes.push_back(tree.sizes[i]);
    }
    const Progress p = RunProgress(sizes);
    EXPECT_EQ(p.total, 90051155u) << c.vale;
    EXPECT_EQ(p.writes, 898u) << c.vale;
    EXPECT_EQ(p.topFile, sizes.size() - 1) << c.vale;
    EXPECT_EQ(p.toCome, 62228u) << c.vale;
    EXPECT_EQ(*std::min_element(sizes.begin(), sizes.end()), 140u) << c.vale;
    EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), 18870196u) << c.vale;
  }
}

TEST(GeneratorTest, RefusesInputsTheTreeCannotHold) {
  ScratchDir scratch("payloadgen-refuse");
  demo::GeneratorInputs inputs = MakeInputs(scratch.path(), 200000, 200000, 200000);
  demo::GeneratedTree tree;
  std::string problem;

  WriteFile(inputs.vale, Bytes(19000000, 7));  // larger than the largest file
  EXPECT_FALSE(demo::PlanTree(inputs, &tree, &problem));
  EXPECT_NE(problem.find("VALE.EXE"), std::string::npos) << problem;

  WriteFile(inputs.vale, {});  // the tree holds no empty file
  EXPECT_FALSE(demo::PlanTree(inputs, &tree, &problem));
  EXPECT_NE(problem.find("VALE.EXE"), std::string::npos) << problem;

  // Four programs of 18 MB leave less than nothing for the rest.
  WriteFile(inputs.vale, Bytes(18000000, 7));
  WriteFile(inputs.config, Bytes(18000000, 8));
  WriteFile(inputs.sweeper, Bytes(18000000, 9));
  WriteFile(inputs.readme, Bytes(18000000, 10));
  EXPECT_FALSE(demo::PlanTree(inputs, &tree, &problem));
  EXPECT_FALSE(problem.empty());

  inputs.config = (scratch.path() / "missing.exe").string();
  EXPECT_FALSE(demo::PlanTree(inputs, &tree, &problem));
  EXPECT_NE(problem.find("missing.exe"), std::string::npos) << problem;
}

TEST(GeneratorTest, LeavesANonEmptyDirectoryAlone) {
  ScratchDir scratch("payloadgen-busy");
  const demo::GeneratorInputs inputs = MakeInputs(scratch.path(), 200000, 200000, 200000);
  const fs::path out = scratch.path() / "out";
  fs::create_directories(out);
  WriteFile(out / "KEEP.ME", Bytes(10, 1));
  demo::GeneratedTree tree;
  std::string problem;
  EXPECT_FALSE(demo::GenerateTree(inputs, out.string(), &tree, &problem));
  EXPECT_NE(problem.find("not empty"), std::string::npos) << problem;
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
  EXPECT_EQ(ReadFile(out / "KEEP.ME"), Bytes(10, 1));
}

}  // namespace
