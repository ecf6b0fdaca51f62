#include "ui_access.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace e2e {

namespace {

constexpr int PollMs = 50;

int Polls(double seconds) { return static_cast<int>(seconds * 1000 / PollMs) + 1; }

struct Collect {
  DWORD ProcessId;
  std::vector<HWND> Windows;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM lParam) {
  auto* collect = reinterpret_cast<Collect*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == collect->ProcessId && IsWindowVisible(window)) collect->Windows.push_back(window);
  return TRUE;
}

bool HasAll(HWND dialog, const std::vector<int>& ids) {
  for (int id : ids) {
    if (GetDlgItem(dialog, id) == nullptr) return false;
  }
  return true;
}

std::string Narrow(const wchar_t* text) {
  char out[4096];
  WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof(out), nullptr, nullptr);
  return out;
}

}  // namespace

bool Launch(const std::string& program, Target* target) {
  std::string directory = program.substr(0, program.find_last_of('\\'));
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &target->Process) != FALSE;
}

bool WaitExit(Target& target, double seconds, DWORD* exitCode) {
  if (target.Process.hProcess == nullptr) return false;
  if (WaitForSingleObject(target.Process.hProcess, static_cast<DWORD>(seconds * 1000)) !=
      WAIT_OBJECT_0) {
    return false;
  }
  GetExitCodeProcess(target.Process.hProcess, exitCode);
  return true;
}

bool IsRunning(Target& target) {
  return target.Process.hProcess != nullptr &&
         WaitForSingleObject(target.Process.hProcess, 0) == WAIT_TIMEOUT;
}

void Kill(Target& target) {
  if (IsRunning(target)) TerminateProcess(target.Process.hProcess, 99);
}

std::vector<HWND> TopWindows(DWORD processId) {
  Collect collect{processId, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&collect));
  return collect.Windows;
}

std::string ClassOf(HWND window) {
  char name[128] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  char text[4096] = "";
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &result);
  return text;
}

std::string CaptionOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item == nullptr ? std::string() : TextOf(item);
}

HWND FindPage(Target& target, const std::string& caption, const std::vector<int>& ids) {
  for (HWND window : TopWindows(target.ProcessId())) {
    if (ClassOf(window) != "#32770") continue;
    if (GetDlgItem(window, 0xFFFF) != nullptr) continue;  // a message box
    if (CaptionOf(window) == caption && HasAll(window, ids)) return window;
  }
  return nullptr;
}

HWND WaitPage(Target& target, const std::string& caption, const std::vector<int>& ids,
              double seconds) {
  for (int i = 0; i < Polls(seconds); ++i) {
    if (HWND page = FindPage(target, caption, ids)) return page;
    if (!IsRunning(target)) return FindPage(target, caption, ids);
    Sleep(PollMs);
  }
  return nullptr;
}

Box FindBox(Target& target) {
  Box box;
  for (HWND window : TopWindows(target.ProcessId())) {
    if (ClassOf(window) != "#32770" || GetDlgItem(window, 0xFFFF) == nullptr) continue;
    box.Window = window;
    box.Caption = CaptionOf(window);
    box.Text = ItemText(window, 0xFFFF);
    break;
  }
  return box;
}

Box WaitBox(Target& target, double seconds) {
  for (int i = 0; i < Polls(seconds); ++i) {
    Box box = FindBox(target);
    if (box.Window != nullptr) return box;
    if (!IsRunning(target)) break;
    Sleep(PollMs);
  }
  return Box{};
}

bool AnswerBox(const Box& box, int button) {
  if (box.Window == nullptr) return false;
  HWND control = GetDlgItem(box.Window, button);
  if (control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control)) {
    PostMessageA(control, BM_CLICK, 0, 0);
  } else {
    PostMessageA(box.Window, WM_COMMAND, button, 0);
  }
  return WaitGone(box.Window);
}

bool Type(HWND dialog, int id, const std::string& text) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return false;
  DWORD_PTR result = 0;
  SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, 5000, &result);
  return TextOf(control) == text;
}

bool Click(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr || !IsWindowVisible(control) || !IsWindowEnabled(control)) return false;
  return PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
}

bool IsEnabled(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowEnabled(control);
}

bool IsChecked(HWND dialog, int id) {
  return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> ListEntries(HWND dialog, int id) {
  std::vector<std::string> entries;
  HWND list = GetDlgItem(dialog, id);
  if (list == nullptr) return entries;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[2048] = L"";
    if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= 2047) continue;
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    entries.push_back(Narrow(text));
  }
  return entries;
}

bool DoubleClickEntry(HWND dialog, int id, int index) {
  HWND list = GetDlgItem(dialog, id);
  if (list == nullptr || !IsWindowVisible(list) || !IsWindowEnabled(list)) return false;
  // Scroll the entry into view, then click twice in its middle.
  SendMessageA(list, LB_SETTOPINDEX, index, 0);
  const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  const int y = (index - top) * height + height / 2;
  const LPARAM at = MAKELPARAM(10, y);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  return true;
}

namespace {

void SendKeys(const std::vector<std::pair<WORD, bool>>& keys) {
  std::vector<INPUT> inputs;
  for (const auto& [key, up] : keys) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND FocusOf(HWND page) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(page, nullptr);
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) return info.hwndFocus;
  return page;
}

}  // namespace

void PressEscape(HWND page) {
  SetForegroundWindow(page);
  SendKeys({{VK_ESCAPE, false}, {VK_ESCAPE, true}});
  HWND focus = FocusOf(page);
  PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void PressAltF4(HWND page) {
  SetForegroundWindow(page);
  SendKeys({{VK_MENU, false}, {VK_F4, false}, {VK_F4, true}, {VK_MENU, true}});
  PostMessageA(FocusOf(page), WM_SYSKEYDOWN, VK_F4, 0x203E0001);
  PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(page, WM_CLOSE, 0, 0);
}

bool WaitGone(HWND window, double seconds) {
  for (int i = 0; i < Polls(seconds); ++i) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    Sleep(PollMs);
  }
  return false;
}

void Settle(int milliseconds) { Sleep(milliseconds); }

namespace {

// Reads and writes tree-view items in the browser's process.
class RemoteTree {
 public:
  RemoteTree(HWND tree) : Tree(tree) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tree, &pid);
    Process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (Process != nullptr) {
      Memory = static_cast<char*>(VirtualAllocEx(Process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
  }
  ~RemoteTree() {
    if (Memory != nullptr) VirtualFreeEx(Process, Memory, 0, MEM_RELEASE);
    if (Process != nullptr) CloseHandle(Process);
  }
  bool Ready() const { return Memory != nullptr; }

  std::string Text(HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = Memory + 512;
    tv.cchTextMax = 1024;
    SIZE_T done = 0;
    WriteProcessMemory(Process, Memory, &tv, sizeof(tv), &done);
    SendMessageA(Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(Memory));
    char text[1025] = "";
    ReadProcessMemory(Process, Memory + 512, text, 1024, &done);
    text[1024] = '\0';
    return text;
  }

 private:
  HWND Tree;
  HANDLE Process = nullptr;
  char* Memory = nullptr;
};

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

HTREEITEM Child(HWND tree, HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM Next(HWND tree, HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

// Breadth-first search for an item whose text ends with wanted, expanding
// items down to depth levels.
HTREEITEM FindItem(HWND tree, RemoteTree& remote, HTREEITEM start, const std::string& wanted,
                   int depth) {
  std::vector<HTREEITEM> level;
  for (HTREEITEM item = start; item != nullptr; item = Next(tree, item)) level.push_back(item);
  for (int d = 0; d <= depth && !level.empty(); ++d) {
    std::vector<HTREEITEM> below;
    for (HTREEITEM item : level) {
      if (EndsWith(remote.Text(item), wanted)) return item;
    }
    for (HTREEITEM item : level) {
      SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
      for (HTREEITEM child = Child(tree, item); child != nullptr; child = Next(tree, child)) {
        below.push_back(child);
      }
    }
    level.swap(below);
  }
  return nullptr;
}

}  // namespace

bool ChooseInFolderBrowser(Target& target, const std::vector<std::string>& pathTexts,
                           std::string* problem) {
  HWND browser = nullptr;
  for (int i = 0; i < Polls(20) && browser == nullptr; ++i) {
    for (HWND window : TopWindows(target.ProcessId())) {
      if (ClassOf(window) == "#32770" && CaptionOf(window) == "Browse for Folder") browser = window;
    }
    if (browser == nullptr) Sleep(PollMs);
  }
  if (browser == nullptr) {
    *problem = "no folder browser appeared";
    return false;
  }
  HWND tree = GetDlgItem(browser, 14145);
  if (tree == nullptr) {
    *problem = "the folder browser has no tree (14145)";
    return false;
  }
  RemoteTree remote(tree);
  if (!remote.Ready()) {
    *problem = "cannot read the folder browser's tree";
    return false;
  }
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (size_t i = 0; i < pathTexts.size(); ++i) {
    item = FindItem(tree, remote, i == 0 ? item : Child(tree, item), pathTexts[i], i == 0 ? 3 : 0);
    if (item == nullptr) {
      *problem = "no item \"" + pathTexts[i] + "\" in the folder browser";
      return false;
    }
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  }
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  Settle(200);
  if (!Click(browser, IDOK)) {
    *problem = "the folder browser's OK cannot be clicked";
    return false;
  }
  return WaitGone(browser);
}

}  // namespace e2e
