#include "shell/base/fatal_error.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "shell/base/setup_state.h"

const char* FatalErrorDetail(int32_t code) {
  switch (code) {
    case FatalNoGameDirectory: return "\nCannot get game directory location,\n";
    case FatalNoControlFile: return "\nCannot read setup control file,\n";
    case FatalDamagedPayload:
      return "\nLack of installation files, \n\tor\ninstallation structure damaged,\n";
    case FatalCannotCopyFiles: return "\nCannot copy needed files,\n";
    case FatalCannotCreateDirectory: return "\nCannot create directory,\n";
    case FatalNoConfigurationFile: return "\nCannot create configuration file,\n";
    case FatalRegistry: return "\nCannot access registry,\n";
    case FatalFileCreation: return "\nFile creation error,\n";
    case FatalNoSpecialDirectory: return "\nCannot get special directory,\n";
    default: return "";
  }
}

void FormatFatalMessage(int32_t code, char* out, size_t size) {
  if (out == nullptr || size == 0) return;
  char detail[256];
  std::memset(detail, 0, sizeof(detail));
  std::snprintf(detail, sizeof(detail), "%s", FatalErrorDetail(code));
  std::memset(out, 0, size);
  std::snprintf(out, size, "ERROR (%d) OCCURED :\n%s\nUNABLE TO CONTINUE INSTALLATION.",
                static_cast<int>(code), detail);
}

void ReportFatalError(int32_t code) {
  char message[FatalMessageSize];
  FormatFatalMessage(code, message, sizeof(message));
  MessageBoxA(Setup.MainWindow, message, "Install error", MB_ICONERROR | MB_OK);
  AbortSetup();
}

void AbortSetup() {
  if (Setup.SetupMutex != nullptr) {
    ReleaseMutex(Setup.SetupMutex);
    CloseHandle(Setup.SetupMutex);
    Setup.SetupMutex = nullptr;
  }
  PostQuitMessage(0);
  ExitProcess(0xFFFFFFFFu);
}
