#include "pages/group_page.h"

#include <cstring>

#include "pages/page_common.h"
#include "resources/resource_ids.h"
#include "shell/base/fatal_error.h"
#include "shell/base/page_outcome.h"
#include "shell/base/setup_state.h"
#include "shell/base/shell_folders.h"

char GroupNameTable[GroupNameSlots][GroupNameSize];
int GroupNameCount;

namespace {

void TakeListedGroup(HWND page) {
  const LRESULT selected = SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR || selected < 0 || selected >= GroupNameCount) return;
  std::memcpy(Setup.ProgramGroup, GroupNameTable[selected], sizeof(Setup.ProgramGroup));
  Setup.ProgramGroup[PathBufferSize - 1] = '\0';
  SetDlgItemTextA(page, IDC_GROUP_EDIT, Setup.ProgramGroup);
  SetFocus(GetDlgItem(page, IDC_GROUP_EDIT));
}

// Makes the user's Programs folder the current directory and lists its plain
// folders (attributes exactly FILE_ATTRIBUTE_DIRECTORY, no "." or "..") in
// list box 1015 and GroupNameTable, in the order found, the first 64 of
// them. Ends the setup with fatal error 102 when the folder cannot be located.
void FillGroupList(HWND page) {
  PathBuffer folder;
  if (!SpecialFolderPath(CSIDL_PROGRAMS, folder)) ReportFatalError(FatalNoSpecialDirectory);
  SetCurrentDirectoryA(folder);

  SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_RESETCONTENT, 0, 0);
  GroupNameCount = 0;

  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("*.*", &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!IsListedGroup(found.cFileName, found.dwFileAttributes)) continue;
    char* slot = GroupNameTable[GroupNameCount];
    std::memset(slot, 0, GroupNameSize);
    std::strncpy(slot, found.cFileName, GroupNameSize - 1);
    SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(slot));
    ++GroupNameCount;
  } while (GroupNameCount < GroupNameSlots && FindNextFileA(search, &found));
  FindClose(search);
}

}  // namespace

bool IsListedGroup(const char* name, DWORD attributes) {
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  return attributes == FILE_ATTRIBUTE_DIRECTORY;
}

INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendPageIcon(page);
      if (Setup.ProgramGroup[0] == '\0') {
        std::memcpy(Setup.ProgramGroup, ProductTitle, sizeof(ProductTitle));
      }
      SetDlgItemTextA(page, IDC_GROUP_EDIT, Setup.ProgramGroup);
      FillGroupList(page);
      LoadPagePicture(page, IDB_GROUP, &PageBitmap.Group);
      CheckDlgButton(page, IDC_DESKTOP_CHECK,
                     Setup.WantDesktopShortcut != 0 ? BST_CHECKED : BST_UNCHECKED);
      SetFocus(GetDlgItem(page, IDC_NEXT));
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BACK: EndDialog(page, PageBack); break;
        case IDC_CANCEL_PAGE: EndDialog(page, PageCancel); break;
        case IDC_GROUP_LIST:
          if (HIWORD(wParam) == LBN_DBLCLK) TakeListedGroup(page);
          break;
        case IDC_NEXT:
          std::memset(Setup.ProgramGroup, 0, sizeof(Setup.ProgramGroup));
          GetDlgItemTextA(page, IDC_GROUP_EDIT, Setup.ProgramGroup, PathBufferSize - 1);
          EndDialog(page, PageForward);
          break;
        case IDC_DESKTOP_CHECK:
          // The box marks itself at the click; the flag follows its mark.
          Setup.WantDesktopShortcut =
              IsDlgButtonChecked(page, IDC_DESKTOP_CHECK) == BST_CHECKED ? 1 : 0;
          break;
        default: break;
      }
      break;
    case WM_CLOSE:
    case WM_DESTROY:
      ReleasePagePicture(page, &PageBitmap.Group);
      break;
    default:
      break;
  }
  return FALSE;
}
