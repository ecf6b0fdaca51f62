// config.exe: the demo's configuration program. One dialog with the display
// and audio settings, read from and saved to VALE.INI in the program's own
// directory. OK saves and ends with exit code 0; Cancel or the close box
// ends with 1 and leaves the file as it was. The setup runs it from the
// installation directory after the install and waits for it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "demo/config/config_ids.h"
#include "demo/config/settings_file.h"

namespace {

constexpr char Caption[] = "Umberlay Vale (Demo) Configuration";

void FillControls(HWND dialog, const vale::Settings& settings) {
  HWND resolution = GetDlgItem(dialog, IDC_RESOLUTION);
  for (int i = 0; i < vale::ResolutionCount; ++i) {
    SendMessageA(resolution, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(vale::ResolutionText(i).c_str()));
  }
  SendMessageA(resolution, CB_SETCURSEL, settings.resolution, 0);
  HWND detail = GetDlgItem(dialog, IDC_DETAIL);
  for (int i = 0; i < vale::DetailCount; ++i) {
    SendMessageA(detail, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(vale::DetailNames[i]));
  }
  SendMessageA(detail, CB_SETCURSEL, settings.detail, 0);
  CheckDlgButton(dialog, IDC_SOUND, settings.sound ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_MUSIC, settings.music ? BST_CHECKED : BST_UNCHECKED);
}

vale::Settings ReadControls(HWND dialog) {
  vale::Settings settings;
  LRESULT resolution = SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0);
  if (resolution >= 0 && resolution < vale::ResolutionCount) settings.resolution = static_cast<int>(resolution);
  LRESULT detail = SendDlgItemMessageA(dialog, IDC_DETAIL, CB_GETCURSEL, 0, 0);
  if (detail >= 0 && detail < vale::DetailCount) settings.detail = static_cast<int>(detail);
  settings.sound = IsDlgButtonChecked(dialog, IDC_SOUND) == BST_CHECKED;
  settings.music = IsDlgButtonChecked(dialog, IDC_MUSIC) == BST_CHECKED;
  return settings;
}

INT_PTR CALLBACK ConfigDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      bool found = false;
      FillControls(dialog, vale::LoadSettings(vale::ProgramDirectory(), &found));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          DWORD error = 0;
          std::string directory = vale::ProgramDirectory();
          if (vale::SaveSettings(directory, ReadControls(dialog), &error)) {
            EndDialog(dialog, 0);
          } else {
            char text[600];
            std::snprintf(text, sizeof text,
                          "The settings could not be saved to %s\\%s (error %lu).\n"
                          "Check that the folder can be written to, or press Cancel.",
                          directory.c_str(), vale::SettingsFileName,
                          static_cast<unsigned long>(error));
            MessageBoxA(dialog, text, Caption, MB_OK | MB_ICONERROR);
          }
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 1);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialog, 0);
  if (result == -1) {
    MessageBoxA(nullptr, "The configuration dialog could not be shown.", Caption, MB_OK | MB_ICONERROR);
    return 2;
  }
  return static_cast<int>(result);
}
