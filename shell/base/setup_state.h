// The one process-wide record of the setup: every part of the program reads
// and writes these fields directly, on the process's only thread. It lives in
// static storage, so every field starts as zero, null or the empty string.
#pragma once

#include <windows.h>
#include <cstdint>

// Every path and name is held in a buffer of this size: up to 1024
// characters and the terminating zero.
constexpr int PathBufferSize = 1025;
using PathBuffer = char[PathBufferSize];

// The fixed title of the product that this setup installs (20 characters).
constexpr char ProductTitle[] = "Umberlay Vale (Demo)";
constexpr int ProductTitleLength = sizeof(ProductTitle) - 1;

struct SetupState {
  HINSTANCE ModuleInstance;   // the program's own module; pages and resources come from it
  HWND MainWindow;            // the backdrop; owner of every page and box
  HWND ProgressPage;          // the modeless progress page while the install runs
  HANDLE SetupMutex;          // "ZKSetupMutex", held for the life of the process
  PathBuffer SetupPath;       // full path of the running setup program
  PathBuffer SourceDir;       // its directory with the trailing backslash
  PathBuffer DirField;        // text of the destination page's edit field
  PathBuffer InstallDir;      // the confirmed destination directory
  PathBuffer ProgramGroup;    // start-menu group, a path below the Programs folder
  int32_t WantDesktopShortcut;  // 0 or 1
  uint32_t RequiredBytes;     // needed space shown on the destination page
  HFONT TitleFont;            // the backdrop's title font, null if it could not be made
  HICON PageIcon;             // sent to every page with WM_SETICON
};

extern SetupState Setup;
