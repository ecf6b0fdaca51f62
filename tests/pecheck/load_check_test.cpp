// The list of exports and LoadProblems: what keeps an image from loading on an older
// Windows, and the checked-in list of what Windows XP SP3 exports.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "pecheck/load_check.h"
#include "tests/pecheck/synthetic_pe.h"

namespace {

constexpr PeVersion Xp{5, 1};

ExportList List(const std::string& text) {
  ExportList list;
  std::string error;
  EXPECT_TRUE(list.Parse(text, &error)) << error;
  return list;
}

PeImage Image(const SyntheticPe& shape) {
  const std::vector<uint8_t> bytes = MakePe(shape);
  PeImage image;
  std::string error;
  EXPECT_TRUE(ReadPeImage(bytes.data(), bytes.size(), &image, &error)) << error;
  return image;
}

const char* const SmallList =
    "# what a small system exports\n"
    "kernel32.dll CreateFileA\r\n"
    "\n"
    "kernel32.dll\tCloseHandle   # Windows 2000 Professional\n"
    "   user32.dll   MessageBoxA   \n";

}  // namespace

TEST(ExportList, ReadsOneExportALine) {
  const ExportList list = List(SmallList);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_TRUE(list.Has("kernel32.dll", "CreateFileA"));
  EXPECT_TRUE(list.Has("KERNEL32.dll", "CloseHandle"));  // DLL names in any case
  EXPECT_TRUE(list.Has("User32.DLL", "MessageBoxA"));
  EXPECT_FALSE(list.Has("kernel32.dll", "createfilea"));  // function names exactly
  EXPECT_FALSE(list.Has("user32.dll", "CreateFileA"));
}

TEST(ExportList, RefusesMalformedLinesAndRepeatsNamingTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case& c : {Case{"kernel32.dll A\nkernel32.dll\n", "line 2: expected"},
                        Case{"kernel32.dll A B\n", "line 1: expected"},
                        Case{"kernel32.dll A\n# note\nKERNEL32.DLL A\n", "line 3: KERNEL32.DLL A is listed twice"}}) {
    ExportList list;
    std::string error;
    EXPECT_FALSE(list.Parse(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(LoadProblems, NoneForListedImportsAndVersionsUpToTheSystems) {
  const ExportList list = List(SmallList);
  SyntheticPe shape;
  shape.dlls = {{"KERNEL32.dll", {"CreateFileA", "CloseHandle"}, {}}, {"USER32.dll", {"MessageBoxA"}, {}}};
  for (PeVersion version : {PeVersion{4, 0}, PeVersion{5, 0}, PeVersion{5, 1}, PeVersion{3, 10}}) {
    shape.osVersion = version;
    shape.subsystemVersion = version;
    EXPECT_TRUE(LoadProblems(Image(shape), list, Xp).empty()) << version.major << "." << version.minor;
  }
}

TEST(LoadProblems, NamesEachImportTheSystemDoesNotExport) {
  SyntheticPe shape;
  shape.dlls = {{"KERNEL32.dll", {"CreateFileA", "GetTickCount64", "AcquireSRWLockExclusive"}, {}},
               {"dwmapi.dll", {"DwmFlush"}, {}}};
  const std::vector<std::string> problems = LoadProblems(Image(shape), List(SmallList), Xp);
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "imports GetTickCount64 from KERNEL32.dll, which is not in the list of exports",
                          "imports AcquireSRWLockExclusive from KERNEL32.dll, which is not in the list of exports",
                          "imports DwmFlush from dwmapi.dll, which is not in the list of exports"}));
}

TEST(LoadProblems, ImportsByOrdinalAreNotAccepted) {
  SyntheticPe shape;
  shape.dlls = {{"KERNEL32.dll", {"CreateFileA"}, {}}, {"COMCTL32.dll", {}, {17}}};
  EXPECT_EQ(LoadProblems(Image(shape), List(SmallList), Xp),
            (std::vector<std::string>{
                "imports ordinal 17 of COMCTL32.dll (only imports by name can be checked)"}));
}

TEST(LoadProblems, VersionsAboveTheSystemsAreNamed) {
  SyntheticPe shape;
  shape.osVersion = {6, 0};
  shape.subsystemVersion = {5, 2};
  EXPECT_EQ(LoadProblems(Image(shape), List(SmallList), Xp),
            (std::vector<std::string>{"OS version 6.0 is above 5.1",
                                      "subsystem version 5.2 is above 5.1"}));
  shape.osVersion = {5, 1};
  shape.subsystemVersion = {10, 0};
  EXPECT_EQ(LoadProblems(Image(shape), List(SmallList), Xp).size(), 1u);
}

TEST(LoadProblems, DelayLoadImportsAreNotPassedUnchecked) {
  SyntheticPe shape;
  shape.delayImports = true;
  EXPECT_EQ(LoadProblems(Image(shape), List(SmallList), Xp),
            (std::vector<std::string>{"has delay-load imports, which are not checked"}));
}

TEST(XpExportList, IsWellFormedAndHoldsNothingLaterThanXp) {
  std::ifstream in(UMBERLAY_XP_EXPORTS, std::ios::binary);
  ASSERT_TRUE(in) << UMBERLAY_XP_EXPORTS;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ExportList list;
  std::string error;
  ASSERT_TRUE(list.Parse(text, &error)) << error;
  EXPECT_TRUE(list.Has("kernel32.dll", "CreateFileA"));
  EXPECT_TRUE(list.Has("kernel32.dll", "InitializeCriticalSection"));
  EXPECT_TRUE(list.Has("msvcrt.dll", "_beginthreadex"));
  // Functions of Vista and later that the toolchain or the code once pulled in.
  for (const char* later : {"GetTickCount64", "AcquireSRWLockExclusive", "ReleaseSRWLockExclusive",
                            "SleepConditionVariableSRW", "WakeConditionVariable",
                            "WakeAllConditionVariable", "InitializeConditionVariable",
                            "InitOnceExecuteOnce", "CreateEventExA", "GetFileInformationByHandleEx"}) {
    EXPECT_FALSE(list.Has("kernel32.dll", later)) << later;
  }
}
