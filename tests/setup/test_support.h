// Helpers of the setup tests under Wine: running a helper program as a child
// and answering its message boxes as a user would, registry and file
// clean-up, and reading shortcut files back through the shell-link object.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// "\"<test dir>\setup_helper.exe\" args"
std::string HelperCommand(const std::string& args);
std::string Quoted(const std::string& text);

// A fresh, empty scratch directory below the prefix's C:\ (removed first if
// it exists).
std::string FreshDirectory(const std::string& name);
void RemoveTree(const std::string& path);
bool PathExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
bool CopyTestProgram(const char* name, const std::string& destination);

// Removes ProductKey (with its maker's key when that is left empty) and
// UninstallKey.
void RemoveInstallationKeys();

// Registers an installation as the install sequence would.
void RegisterInstallation(const std::string& directory, const std::string& group,
                          bool withChecksum = true);

// A value read back through the registry API.
struct RegistryValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> data;
  std::string Text() const;  // up to the first zero
};
RegistryValue ReadRegistryValue(const char* subkey, const char* name);

// A shortcut file loaded back through IShellLinkA / IPersistFile.
struct LoadedLink {
  bool loaded = false;
  std::string target;
  std::string description;
  std::string workingDirectory;
};
LoadedLink LoadLink(const std::string& linkPath);

// The file-system path of a special folder (CSIDL_PROGRAMS, CSIDL_DESKTOP).
std::string SpecialFolder(int csidl);

// Polls until path exists, for at most the given number of seconds.
bool WaitForFile(const std::string& path, int seconds);
