// The setup's lower layer: fatal error texts and boxes, the end of the
// process, the single-instance guard, the start-up paths and path formatting.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "shell/base/fatal_error.h"
#include "shell/base/path_format.h"
#include "shell/base/setup_state.h"
#include "shell/base/start_checks.h"
#include "tests/support/setup_harness.h"

namespace {

// Runs one operation of the lower layer in a process of its own.
constexpr char ShellHelper[] = "shell_helper.exe";

std::string Message(int32_t code) {
  char text[FatalMessageSize];
  FormatFatalMessage(code, text, sizeof(text));
  return text;
}

void ReleaseGuard() {
  if (::Setup.SetupMutex != nullptr) {
    ReleaseMutex(::Setup.SetupMutex);
    CloseHandle(::Setup.SetupMutex);
    ::Setup.SetupMutex = nullptr;
  }
}

bool MutexExists(const char* name) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

}  // namespace

TEST(FatalError, EveryCodeOfTheTableHasItsText) {
  const std::string head = "ERROR (";
  const std::string tail = "\nUNABLE TO CONTINUE INSTALLATION.";
  struct Row { int32_t code; const char* detail; };
  const Row rows[] = {
      {1, "\nCannot get game directory location,\n"},
      {3, "\nCannot read setup control file,\n"},
      {4, "\nLack of installation files, \n\tor\ninstallation structure damaged,\n"},
      {6, "\nCannot copy needed files,\n"},
      {7, "\nCannot create directory,\n"},
      {8, "\nCannot create configuration file,\n"},
      {9, "\nCannot access registry,\n"},
      {99, "\nFile creation error,\n"},
      {102, "\nCannot get special directory,\n"},
  };
  for (const Row& row : rows) {
    EXPECT_STREQ(FatalErrorDetail(row.code), row.detail) << row.code;
    EXPECT_EQ(Message(row.code), head + std::to_string(row.code) + ") OCCURED :\n" + row.detail +
                                     tail);
  }
  EXPECT_EQ(Message(9),
            "ERROR (9) OCCURED :\n\nCannot access registry,\n\nUNABLE TO CONTINUE INSTALLATION.");
}

TEST(FatalError, CodesOutsideTheTableHaveNoDetailLine) {
  for (int32_t code : {0, 2, 5, 10, 100, -1, -2147483647 - 1}) {
    EXPECT_STREQ(FatalErrorDetail(code), "");
    EXPECT_EQ(Message(code), "ERROR (" + std::to_string(code) +
                                 ") OCCURED :\n\nUNABLE TO CONTINUE INSTALLATION.");
  }
}

TEST(FatalError, MessageIsCutToItsBufferAndTerminated) {
  char small[16];
  std::memset(small, 'x', sizeof(small));
  FormatFatalMessage(4, small, sizeof(small));
  EXPECT_EQ(std::string(small), "ERROR (4) OCCUR");
}

TEST(FatalError, BoxShowsTheMessageThenTheSetupEndsWithMinusOne) {
  for (int32_t code : {9, 102, 5}) {
    ChildRun run = RunChild(HelperCommand(ShellHelper, "fatal " + std::to_string(code)));
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.boxes.size(), 1u) << code;
    EXPECT_EQ(run.boxes[0].caption, "Install error");
    EXPECT_EQ(run.boxes[0].text, Message(code));
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
  }
}

TEST(AbortSetup, EndsWithMinusOneAndShowsNothing) {
  ChildRun run = RunChild(HelperCommand(ShellHelper, "abort"));
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
}

TEST(SingleInstance, SecondCopyIsRefusedWithExitCodeZero) {
  ASSERT_FALSE(CheckSingleInstance());
  ASSERT_NE(::Setup.SetupMutex, nullptr);
  ChildRun second = RunChild(HelperCommand(ShellHelper, "instance"));
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(second.boxes.empty());
  // The first copy still holds its guard.
  EXPECT_EQ(WaitForSingleObject(::Setup.SetupMutex, 0), WAIT_OBJECT_0);
  ReleaseMutex(::Setup.SetupMutex);
  ReleaseGuard();

  ChildRun alone = RunChild(HelperCommand(ShellHelper, "instance"));
  EXPECT_EQ(alone.exitCode, 3u);
}

TEST(SingleInstance, AnotherProgramHoldingTarnMutexRefusesTheStart) {
  HANDLE tarn = CreateMutexA(nullptr, TRUE, "TarnMutex");
  ASSERT_NE(tarn, nullptr);
  ChildRun run = RunChild(HelperCommand(ShellHelper, "instance"));
  EXPECT_EQ(run.exitCode, 0u);
  ReleaseMutex(tarn);
  CloseHandle(tarn);

  EXPECT_FALSE(MutexExists("TarnMutex"));
  EXPECT_FALSE(CheckSingleInstance());
  EXPECT_FALSE(MutexExists("TarnMutex")) << "the probe must not leave the mutex behind";
  EXPECT_TRUE(MutexExists("ZKSetupMutex"));
  ReleaseGuard();
  EXPECT_FALSE(MutexExists("ZKSetupMutex"));
}

TEST(StartPaths, InitPathsRecordsTheProgramAndTheDefaultDestination) {
  std::strcpy(::Setup.ProgramGroup, "left over");
  ::Setup.ModuleInstance = nullptr;
  InitPaths();
  char program[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_STREQ(::Setup.SetupPath, program);
  std::string directory(program);
  directory.erase(directory.rfind('\\') + 1);
  EXPECT_EQ(std::string(::Setup.SourceDir), directory);

  char windows[MAX_PATH] = {0};
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_EQ(std::string(::Setup.DirField),
            std::string(windows, 3) + "Program Files\\Umberlay Vale (Demo)");
  EXPECT_STREQ(::Setup.ProgramGroup, "");
}

TEST(StartPaths, ProgramPathThatCannotBeObtainedIsFatalOne) {
  ChildRun run = RunChild(HelperCommand(ShellHelper, "paths"));
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].text, Message(FatalNoGameDirectory));
  EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
}

TEST(StartPaths, DirectoryPartAndDefaultDestinationTexts) {
  char path[PathBufferSize] = "E:\\SETUP.EXE";
  KeepDirectoryPart(path);
  EXPECT_STREQ(path, "E:\\");
  std::strcpy(path, "C:\\a b\\c\\SETUP.EXE");
  KeepDirectoryPart(path);
  EXPECT_STREQ(path, "C:\\a b\\c\\");
  std::strcpy(path, "SETUP.EXE");
  KeepDirectoryPart(path);
  EXPECT_STREQ(path, "");

  char destination[PathBufferSize];
  ComposeDefaultDestination("D:\\WINNT", destination, sizeof(destination));
  EXPECT_STREQ(destination, "D:\\Program Files\\Umberlay Vale (Demo)");
  ComposeDefaultDestination("C:", destination, sizeof(destination));
  EXPECT_STREQ(destination, "C:Program Files\\Umberlay Vale (Demo)");
}

TEST(FormatPath, RefusesTextsLongerThanTheBuffer) {
  PathBuffer out;
  std::string dir(1024 - 12, 'd');  // + "\\Sweeper.exe" = 1024 characters
  EXPECT_TRUE(FormatPath(out, "%s\\Sweeper.exe", dir.c_str()));
  EXPECT_EQ(std::strlen(out), 1024u);
  dir += 'd';
  EXPECT_FALSE(FormatPath(out, "%s\\Sweeper.exe", dir.c_str()));
  EXPECT_STREQ(out, "") << "a refused text is never left cut short";
}
