// Vale.exe: the demo's game window. It shows the product's title, the
// current settings from VALE.INI and the files it finds in its own
// directory, and closes on a key (other than the keys that scroll the file
// list) or on the close box. Exit code 0.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/config/settings_file.h"

namespace {

constexpr char WindowClass[] = "UmberlayValeWindow";
constexpr char WindowTitle[] = "Umberlay Vale (Demo)";
constexpr int FileListId = 100;
constexpr int HeaderHeight = 120;

struct WindowData {
  HFONT titleFont = nullptr;
  HFONT textFont = nullptr;
  std::string settingsLine;
  std::string directoryLine;
  HWND fileList = nullptr;
};
WindowData Data;

struct FoundEntry {
  std::string name;
  bool isDirectory;
  unsigned long long size;
};

std::vector<FoundEntry> FindEntries(const std::string& directory) {
  std::vector<FoundEntry> entries;
  std::string pattern = directory;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    bool isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    unsigned long long size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entries.push_back({name, isDirectory, size});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  // Folders first, then files, each by name regardless of case.
  std::sort(entries.begin(), entries.end(), [](const FoundEntry& a, const FoundEntry& b) {
    if (a.isDirectory != b.isDirectory) return a.isDirectory;
    return lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
  });
  return entries;
}

std::string GroupedNumber(unsigned long long value) {
  std::string digits = std::to_string(value);
  std::string grouped;
  int count = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    grouped.insert(grouped.begin(), digits[i]);
    if (++count % 3 == 0 && i > 0) grouped.insert(grouped.begin(), ',');
  }
  return grouped;
}

void FillFileList(HWND list, const std::string& directory) {
  std::vector<FoundEntry> entries = FindEntries(directory);
  for (const FoundEntry& entry : entries) {
    std::string line = entry.isDirectory
                           ? entry.name + "\\\t<folder>"
                           : entry.name + "\t" + GroupedNumber(entry.size) + " bytes";
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  if (entries.empty()) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("(no files found)"));
  }
}

std::string SettingsLine(const std::string& directory) {
  bool found = false;
  vale::Settings settings = vale::LoadSettings(directory, &found);
  std::string line = found ? "Settings: " : "Settings (defaults, no VALE.INI): ";
  line += vale::ResolutionText(settings.resolution) + ", " + vale::DetailNames[settings.detail] +
          " detail, sound " + (settings.sound ? "on" : "off") + ", music " +
          (settings.music ? "on" : "off");
  return line;
}

void PaintHeader(HWND window, HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  // A vertical gradient from deep blue to dusk violet.
  constexpr int Bands = 32;
  for (int i = 0; i < Bands; ++i) {
    RECT band = {0, HeaderHeight * i / Bands, client.right, HeaderHeight * (i + 1) / Bands};
    HBRUSH brush = CreateSolidBrush(RGB(20 + i * 2, 24 + i, 90 + i * 3));
    FillRect(dc, &band, brush);
    DeleteObject(brush);
  }
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, Data.titleFont ? Data.titleFont : GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(dc, RGB(255, 230, 150));
  RECT title = {16, 10, client.right - 16, 60};
  DrawTextA(dc, WindowTitle, -1, &title, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, Data.textFont ? Data.textFont : GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(dc, RGB(225, 225, 240));
  RECT line = {18, 62, client.right - 16, 80};
  DrawTextA(dc, Data.settingsLine.c_str(), -1, &line, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
  line.top = 80;
  line.bottom = 98;
  DrawTextA(dc, Data.directoryLine.c_str(), -1, &line, DT_LEFT | DT_SINGLELINE | DT_PATH_ELLIPSIS);
  line.top = 98;
  line.bottom = HeaderHeight;
  DrawTextA(dc, "Press any key or close the window to leave.", -1, &line, DT_LEFT | DT_SINGLELINE);
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK ValeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      std::string directory = vale::ProgramDirectory();
      Data.settingsLine = SettingsLine(directory);
      Data.directoryLine = "Files in " + directory + ":";
      Data.fileList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT |
                                          LBS_USETABSTOPS | LBS_NOSEL,
                                      0, 0, 0, 0, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(FileListId)),
                                      reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance, nullptr);
      if (Data.fileList == nullptr) return -1;
      SendMessageA(Data.fileList, WM_SETFONT, reinterpret_cast<WPARAM>(Data.textFont), FALSE);
      int tabStop = 130;  // dialog units
      SendMessageA(Data.fileList, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
      FillFileList(Data.fileList, directory);
      return 0;
    }
    case WM_SIZE: {
      int width = LOWORD(lParam), height = HIWORD(lParam);
      MoveWindow(Data.fileList, 12, HeaderHeight + 8, width - 24, std::max(0, height - HeaderHeight - 20), TRUE);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      PaintHeader(window, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_KEYDOWN:
      PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Keys that scroll the file list stay with it; every other key pressed
// anywhere in the window ends the program.
bool IsListKey(WPARAM key) {
  switch (key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
      return true;
  }
  return false;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  Data.titleFont = CreateFontA(-34, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN, "Times New Roman");
  Data.textFont = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Tahoma");

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ValeWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = WindowClass;
  if (!RegisterClassA(&windowClass)) return 1;

  RECT frame = {0, 0, 640, 480};
  DWORD style = WS_OVERLAPPEDWINDOW;
  AdjustWindowRect(&frame, style, FALSE);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  HWND window = CreateWindowExA(0, WindowClass, WindowTitle, style, x, y, width, height, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) {
    MessageBoxA(nullptr, "The game window could not be created.", WindowTitle, MB_OK | MB_ICONERROR);
    return 1;
  }
  ShowWindow(window, show == SW_HIDE ? SW_SHOWNORMAL : show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && !(message.hwnd == Data.fileList && IsListKey(message.wParam))) {
      PostMessageA(window, WM_CLOSE, 0, 0);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (Data.titleFont) DeleteObject(Data.titleFont);
  if (Data.textFont) DeleteObject(Data.textFont);
  return 0;
}
