// Child processes of a test: started from a command line, waited for with a
// limit, their exit code collected, ended by force when a test gives up.
#pragma once

#include <windows.h>

#include <string>

namespace win32ui {

// A started child: its process handle (owned; released by Close) and id.
struct Process {
  HANDLE handle = nullptr;
  DWORD id = 0;
};

// text in double quotes as one command-line argument; backslashes before the
// closing quote are doubled, or they would escape it.
std::string Quoted(const std::string& text);

// Starts commandLine (the program first, quoted when it holds blanks) with
// directory as its current one (the caller's when empty); false on failure.
bool Start(const std::string& commandLine, const std::string& directory, Process* process);

// Waits up to timeoutMs for the process to end and gives its exit code;
// false when it still runs (or was never started).
bool WaitForExit(const Process& process, DWORD* exitCode, DWORD timeoutMs);
bool IsRunning(const Process& process);
// Ends the process with exitCode if it still runs (does not wait for the end).
void Kill(const Process& process, UINT exitCode);
// Releases the handle; the process itself keeps running.
void Close(Process& process);

}  // namespace win32ui
