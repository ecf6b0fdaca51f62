// Helpers of the setup's tests under Wine (tests/shell, tests/install):
// running a helper program as a child and answering its message boxes as a
// user would, and scratch folders. Files, shortcuts and registry values are
// read back with the shared helpers of tests/support/win32ui.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win32ui/process.h"
#include "tests/support/win32ui/system.h"

using win32ui::LoadedLink;
using win32ui::LoadLink;
using win32ui::PathExists;
using win32ui::Quoted;
using win32ui::ReadRegistryValue;
using win32ui::ReadWholeFile;
using win32ui::RegistryKeyExists;
using win32ui::RegistryValue;
using win32ui::RemoveTree;
using win32ui::SpecialFolder;
using win32ui::WriteWholeFile;

// A message box that a child showed: its caption and its text.
struct ShownBox {
  std::string caption;
  std::string text;
};

struct ChildRun {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = 0;
  std::vector<ShownBox> boxes;  // in the order they appeared; each answered
};

// Runs commandLine (program by full path first), answers every message box of
// the child with its first button (OK, or Yes), and waits for the end. With
// dllOverrides, the child sees WINEDLLOVERRIDES with that text appended.
ChildRun RunChild(const std::string& commandLine, const char* dllOverrides = nullptr);

// Directory of the running test program, with a trailing backslash; the
// helper programs are built next to it.
std::string TestProgramDirectory();

// "\"<test dir>\<helper>\" args": a helper program built next to the test.
std::string HelperCommand(const char* helper, const std::string& args);

// A fresh, empty scratch directory below the prefix's C:\ (removed first if
// it exists).
std::string FreshDirectory(const std::string& name);
bool CopyTestProgram(const char* name, const std::string& destination);

// Polls until path exists, for at most the given number of seconds.
bool WaitForFile(const std::string& path, int seconds);
