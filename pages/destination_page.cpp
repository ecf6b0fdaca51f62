#include "pages/destination_page.h"

#include <cstdio>
#include <cstring>

#include "pages/destination_text.h"
#include "pages/kbytes_text.h"
#include "pages/page_common.h"
#include "pages/path_prefixes.h"
#include "resources/resource_ids.h"
#include "shell/base/page_outcome.h"
#include "shell/base/setup_state.h"
#include "shell/base/shell_folders.h"

uint64_t FreeBytes;

namespace {

// How many probe names are tried before a folder counts as not taking files.
constexpr int ProbeAttempts = 10;

// Creates and removes a probe file in folder. An existing file of a probe
// name is left alone and the next name is tried.
bool FolderTakesFiles(const char* folder) {
  char probe[DestinationMessageSize];
  for (int attempt = 0; attempt < ProbeAttempts; ++attempt) {
    if (!ComposeProbePath(folder, attempt, probe, sizeof(probe))) return false;
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      DeleteFileA(probe);
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// Lets the user choose a folder (the shell's folder browser, owned by owner).
// True when a folder was chosen and takes files (a probe file could be
// created and removed there); Setup.InstallDir then holds the folder, a drive
// root without its backslash ("C:"). An existing file named like the probe is
// never touched. On a failed probe shows "Unable to install to ..." and
// returns false.
bool BrowseForDestination(HWND owner) {
  BROWSEINFOA info;
  std::memset(&info, 0, sizeof(info));
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = Setup.InstallDir;  // receives the display name (MAX_PATH fits)
  info.lpszTitle = "Select folder where you want to install game";
  info.ulFlags = BIF_RETURNONLYFSDIRS;

  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return false;
  const BOOL hasPath = SHGetPathFromIDListA(chosen, Setup.InstallDir);
  FreeItemList(chosen);
  if (!hasPath) Setup.InstallDir[0] = '\0';

  DropTrailingBackslash(Setup.InstallDir);
  if (Setup.InstallDir[0] == '\0' || !FolderTakesFiles(Setup.InstallDir)) {
    char text[DestinationMessageSize];
    FormatUnableToInstall(Setup.InstallDir, text, sizeof(text));
    MessageBoxA(nullptr, text, "Install", MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

// Reads the edit field into Setup.DirField, measures the free space of its
// drive (its first three characters), shows it and the needed space, and
// enables Next only when the free space exceeds Setup.RequiredBytes. When the
// free space cannot be read, says so and leaves the figures and Next as they are.
void ShowDiskSpace(HWND page) {
  std::memset(Setup.DirField, 0, sizeof(Setup.DirField));
  GetDlgItemTextA(page, IDC_DEST_EDIT, Setup.DirField, PathBufferSize - 1);

  char root[4] = {0, 0, 0, 0};
  const size_t rootLength = strnlen(Setup.DirField, 3);
  std::memcpy(root, Setup.DirField, rootLength);

  ULARGE_INTEGER available;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetDiskFreeSpaceExA(root, &available, nullptr, nullptr)) {
    FreeBytes = available.QuadPart;
  } else if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                               &clusters)) {
    FreeBytes = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector * freeClusters;
  } else {
    char text[DestinationMessageSize];
    FormatUnableToInstall(Setup.DirField, text, sizeof(text));
    MessageBoxA(nullptr, text, "Instal", MB_ICONEXCLAMATION);
    return;
  }

  char figure[KBytesTextSize];
  FormatKBytes(FreeBytes, figure);
  SetDlgItemTextA(page, IDC_SPACE_FREE, figure);
  FormatKBytes(Setup.RequiredBytes, figure);
  SetDlgItemTextA(page, IDC_SPACE_NEEDED, figure);
  EnableWindow(GetDlgItem(page, IDC_NEXT), SpaceSuffices(FreeBytes, Setup.RequiredBytes));
}

// Next: makes sure the directory in the field exists, creating it and its
// missing parents after asking. True when the page may end with 1.
bool AcceptDestination(HWND page) {
  std::memset(Setup.DirField, 0, sizeof(Setup.DirField));
  GetDlgItemTextA(page, IDC_DEST_EDIT, Setup.DirField, PathBufferSize - 1);

  char text[DestinationMessageSize];
  if (CreateDirectoryA(Setup.DirField, nullptr)) {
    FormatCreateQuestion(Setup.DirField, text, sizeof(text));
    if (MessageBoxA(page, text, "Warning!", MB_YESNO | MB_ICONQUESTION) != IDYES) {
      RemoveDirectoryA(Setup.DirField);
      return false;
    }
  } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
    FormatCreateQuestion(Setup.DirField, text, sizeof(text));
    if (MessageBoxA(page, text, "Warning!", MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    if (Setup.DirField[0] == '\0') return false;
    // A path deeper than the prefix table is refused like one that cannot be
    // made, and so is a last level that cannot be made (a name the file
    // system refuses): the page never accepts a directory that is not there.
    const bool made = SplitPathPrefixes(Setup.DirField) && CreatePathChain() == 1 &&
                      (CreateDirectoryA(Setup.DirField, nullptr) ||
                       GetLastError() == ERROR_ALREADY_EXISTS);
    if (!made) {
      FormatCreateFailure(Setup.DirField, text, sizeof(text));
      MessageBoxA(page, text, "Warning!", MB_ICONEXCLAMATION);
      return false;
    }
  }
  std::memcpy(Setup.InstallDir, Setup.DirField, sizeof(Setup.InstallDir));
  return true;
}

void Browse(HWND page) {
  if (!BrowseForDestination(page)) return;
  PathBuffer destination;
  if (!ComposeBrowsedDestination(Setup.InstallDir, destination, sizeof(destination))) {
    char text[DestinationMessageSize];
    FormatUnableToInstall(Setup.InstallDir, text, sizeof(text));
    MessageBoxA(nullptr, text, "Install", MB_ICONEXCLAMATION);
    return;
  }
  std::memcpy(Setup.DirField, destination, sizeof(Setup.DirField));
  SetDlgItemTextA(page, IDC_DEST_EDIT, Setup.DirField);
  ShowDiskSpace(page);
}

}  // namespace

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendPageIcon(page);
      SetDlgItemTextA(page, IDC_DEST_EDIT, Setup.DirField);
      ShowDiskSpace(page);
      LoadPagePicture(page, IDB_DESTINATION, &PageBitmap.Destination);
      SetFocus(GetDlgItem(page, IDC_NEXT));
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BROWSE: Browse(page); break;
        case IDC_BACK: EndDialog(page, PageBack); break;
        case IDC_CANCEL_PAGE: EndDialog(page, PageCancel); break;
        case IDC_NEXT:
          if (AcceptDestination(page)) EndDialog(page, PageForward);
          break;
        default: break;
      }
      break;
    case WM_CLOSE:
    case WM_DESTROY:
      ReleasePagePicture(page, &PageBitmap.Destination);
      break;
    default:
      break;
  }
  return FALSE;
}

int CreatePathChain() {
  for (int slot = PrefixCount - 1; slot >= 0; --slot) {
    if (!CreateDirectoryA(PrefixTable[slot], nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return -1;
    }
  }
  return 1;
}
