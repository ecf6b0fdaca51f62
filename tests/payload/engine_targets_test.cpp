// The engine over the real file targets: the portable stdio target on every
// platform and, on Windows, the Win32 target that the setup uses.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "payload/extract_engine.h"
#include "payload/stdio_target.h"
#include "tests/payload/archive_test_support.h"

#ifdef _WIN32
#include "payload/win32_target.h"
#endif

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

fs::path HostPath(const fs::path& root, const std::string& archivePath) {
  fs::path p = root;
  size_t start = 0;
  while (true) {
    const size_t end = archivePath.find('\\', start);
    p /= archivePath.substr(start, end == std::string::npos ? end : end - start);
    if (end == std::string::npos) return p;
    start = end + 1;
  }
}

// Every item of the tree is at its place below root with its bytes.
void ExpectTree(const fs::path& root, const std::vector<MemoryItem>& tree) {
  for (const MemoryItem& item : tree) {
    const fs::path p = HostPath(root, item.path);
    if (item.directory) {
      EXPECT_TRUE(fs::is_directory(p)) << item.path;
    } else {
      EXPECT_EQ(ReadFile(p), item.data) << item.path;
    }
  }
}

// Runs one extraction with the target made by `make` (which resolves entry
// paths against dir).
template <typename MakeTarget>
ExtractReport ExtractInto(const fs::path& dir, const std::vector<uint8_t>& archive,
                          MakeTarget make) {
  auto target = make(dir);
  ExtractReport report;
  ExtractArchive(archive.data(), archive.size(), *target, &report);
  return report;
}

template <typename MakeTarget>
void ExtractsOverAnEarlierTree(MakeTarget make) {
  const fs::path dir = FreshTempDir("over");
  const std::vector<MemoryItem> tree = SampleTree();
  const std::vector<uint8_t> archive = Pack(tree);
  ASSERT_EQ(ExtractInto(dir, archive, make).failedFiles, 0u);
  ExpectTree(dir, tree);
  // Change what was installed and add files of the user's own.
  WriteFile(dir / "README.TXT", std::string(5000, 'x'));
  WriteFile(dir / "DATA" / "EMPTY", "not empty any more");
  WriteFile(dir / "DATA" / "SAVEGAME.SAV", "mine");
  fs::create_directories(dir / "MODS");
  WriteFile(dir / "MODS" / "A.TXT", "mod");
  const ExtractReport again = ExtractInto(dir, archive, make);
  EXPECT_EQ(again.result, 0);
  EXPECT_EQ(again.failedFiles, 0u);
  ExpectTree(dir, tree);
  EXPECT_EQ(ReadFile(dir / "DATA" / "SAVEGAME.SAV"), std::vector<uint8_t>({'m', 'i', 'n', 'e'}));
  EXPECT_EQ(ReadFile(dir / "MODS" / "A.TXT"), std::vector<uint8_t>({'m', 'o', 'd'}));
  fs::current_path(fs::temp_directory_path());  // a current directory cannot be removed
  fs::remove_all(dir);
}

std::unique_ptr<ExtractTarget> MakeStdio(const fs::path& dir) {
  return std::make_unique<StdioExtractTarget>(dir.string().c_str());
}

}  // namespace

TEST(StdioTarget, ExtractsTheTreeByteForByte) {
  const fs::path dir = FreshTempDir("stdio");
  const std::vector<MemoryItem> tree = SampleTree();
  const ExtractReport report = ExtractInto(dir, Pack(tree), MakeStdio);
  EXPECT_EQ(report.result, 0);
  EXPECT_EQ(report.failedFiles, 0u);
  ExpectTree(dir, tree);
  fs::remove_all(dir);
}

TEST(StdioTarget, ExtractsOverAnEarlierTree) { ExtractsOverAnEarlierTree(MakeStdio); }

TEST(StdioTarget, FileThatCannotBeCreatedIsSkippedAndTheWalkGoesOn) {
  const fs::path dir = FreshTempDir("blocked");
  fs::create_directories(dir / "B.BIN");  // a directory where a file belongs
  const std::vector<MemoryItem> tree = {File("A.BIN", MakeData(100, 1)),
                                        File("B.BIN", MakeData(100, 2)),
                                        File("C.BIN", MakeData(100, 3))};
  const ExtractReport report = ExtractInto(dir, Pack(tree), MakeStdio);
  EXPECT_EQ(report.failedFiles, 1u);
  EXPECT_EQ(report.filesWritten, 2u);
  EXPECT_EQ(ReadFile(dir / "C.BIN"), tree[2].data);
  fs::remove_all(dir);
}

#ifdef _WIN32

namespace {

int32_t LastPercent = -1;
void RecordPercent(int32_t percent) { LastPercent = percent; }

// The Win32 target resolves paths against the current directory.
std::unique_ptr<ExtractTarget> MakeWin32(const fs::path& dir) {
  SetCurrentDirectoryA(dir.string().c_str());
  return std::make_unique<Win32ExtractTarget>(nullptr, RecordPercent);
}

}  // namespace

TEST(Win32Target, ExtractsOverAnEarlierTree) {
  const fs::path before = fs::current_path();
  ExtractsOverAnEarlierTree(MakeWin32);
  fs::current_path(before);
}

TEST(Win32Target, ReadOnlyFileIsSkippedAndTheWalkGoesOn) {
  const fs::path before = fs::current_path();
  const fs::path dir = FreshTempDir("readonly");
  const std::vector<MemoryItem> tree = SampleTree();
  const std::string blocked = (dir / "README.TXT").string();
  WriteFile(blocked, "keep me");
  ASSERT_TRUE(SetFileAttributesA(blocked.c_str(), FILE_ATTRIBUTE_READONLY));
  // Where the platform lets this process write to read-only files anyway (an
  // administrator under Wine), the file is also held open without sharing,
  // so that it cannot be created either way.
  HANDLE holder = INVALID_HANDLE_VALUE;
  HANDLE probe = CreateFileA(blocked.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    holder = CreateFileA(blocked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  }
  LastPercent = -1;
  const ExtractReport report = ExtractInto(dir, Pack(tree), MakeWin32);
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
  EXPECT_EQ(report.result, 0);
  EXPECT_EQ(report.failedFiles, 1u);
  EXPECT_EQ(ReadFile(blocked), std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
  std::vector<MemoryItem> rest(tree.begin() + 1, tree.end());
  ExpectTree(dir, rest);
  EXPECT_EQ(LastPercent, 0);  // progress was reported (0 % of the payload's size)
  fs::current_path(before);
  SetFileAttributesA(blocked.c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove_all(dir);
}

#endif
