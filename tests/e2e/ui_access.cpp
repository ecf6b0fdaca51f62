#include "ui_access.h"

#include <commctrl.h>

#include "tree_reader.h"

#include <algorithm>
#include <cstring>

namespace e2e {

namespace {

DWORD Ms(double seconds) { return static_cast<DWORD>(seconds * 1000); }

bool HasAll(HWND dialog, const std::vector<int>& ids) {
  for (int id : ids) {
    if (GetDlgItem(dialog, id) == nullptr) return false;
  }
  return true;
}

}  // namespace

bool Launch(const std::string& program, Target* target) {
  return win32ui::Start(win32ui::Quoted(program), program.substr(0, program.find_last_of('\\')),
                        &target->Process);
}

bool WaitExit(Target& target, double seconds, DWORD* exitCode) {
  return win32ui::WaitForExit(target.Process, exitCode, Ms(seconds));
}

bool IsRunning(Target& target) { return win32ui::IsRunning(target.Process); }

void Kill(Target& target) { win32ui::Kill(target.Process, 99); }

HWND FindPage(Target& target, const std::string& caption, const std::vector<int>& ids) {
  for (HWND window : TopWindows(target.ProcessId())) {
    if (ClassOf(window) != "#32770" || win32ui::IsMessageBox(window)) continue;
    if (CaptionOf(window) == caption && HasAll(window, ids)) return window;
  }
  return nullptr;
}

HWND WaitPage(Target& target, const std::string& caption, const std::vector<int>& ids,
              double seconds) {
  HWND page = nullptr;
  win32ui::PollUntil([&] {
    page = FindPage(target, caption, ids);
    return page != nullptr || !IsRunning(target);
  }, Ms(seconds));
  // A setup that has just ended: one last look.
  if (page == nullptr && !IsRunning(target)) page = FindPage(target, caption, ids);
  return page;
}

Box FindBox(Target& target) {
  Box box;
  for (HWND window : TopWindows(target.ProcessId())) {
    if (!win32ui::IsMessageBox(window)) continue;
    box.Window = window;
    box.Caption = CaptionOf(window);
    box.Text = win32ui::MessageBoxText(window);
    break;
  }
  return box;
}

Box WaitBox(Target& target, double seconds) {
  Box box;
  win32ui::PollUntil([&] {
    box = FindBox(target);
    return box.Window != nullptr || !IsRunning(target);
  }, Ms(seconds));
  return box;
}

bool AnswerBox(const Box& box, int button) {
  if (box.Window == nullptr) return false;
  if (!Click(box.Window, button)) PostMessageA(box.Window, WM_COMMAND, button, 0);
  return WaitGone(box.Window);
}

bool IsEnabled(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowEnabled(control);
}

bool IsChecked(HWND dialog, int id) {
  return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> ListEntries(HWND dialog, int id) {
  return win32ui::ListBoxItems(GetDlgItem(dialog, id));
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

bool WaitGone(HWND window, double seconds) { return win32ui::WaitUntilGone(window, Ms(seconds)); }

void Settle(int milliseconds) { Sleep(milliseconds); }

namespace {

// Reads tree-view items of the browser's process through the tree-item reader
// (tree_reader.h), a hook library that the process loads.
class RemoteTree {
 public:
  explicit RemoteTree(HWND tree) : Tree(tree), ReadText(RegisterWindowMessageA(TreeItemTextMessage)) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string library(path);
    library = library.substr(0, library.find_last_of('\\') + 1) + TreeReaderLibrary;
    Library = LoadLibraryA(library.c_str());
    FARPROC found = Library != nullptr ? GetProcAddress(Library, TreeReaderHookName) : nullptr;
    HOOKPROC hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(found));
    if (hook != nullptr) {
      Hook = SetWindowsHookExA(WH_CALLWNDPROC, hook, Library, GetWindowThreadProcessId(tree, nullptr));
    }
    WNDCLASSA type{};
    type.lpfnWndProc = Receive;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "UmberlayE2eTreeReply";
    RegisterClassA(&type);
    Reply = CreateWindowA(type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          type.hInstance, nullptr);
  }
  ~RemoteTree() {
    if (Reply != nullptr) DestroyWindow(Reply);
    if (Hook != nullptr) UnhookWindowsHookEx(Hook);
    if (Library != nullptr) FreeLibrary(Library);
  }
  bool Ready() const { return Hook != nullptr && Reply != nullptr; }

  std::string Text(HTREEITEM item) {
    Received.clear();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(Tree, ReadText, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(Reply),
                        SMTO_NORMAL, 10000, &result);
    return Received;
  }

 private:
  static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
      const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data->dwData == TreeItemTextReply && data->cbData > 0) {
        Received.assign(static_cast<const char*>(data->lpData), data->cbData - 1);
      }
      return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  static std::string Received;
  HWND Tree;
  UINT ReadText;
  HMODULE Library = nullptr;
  HHOOK Hook = nullptr;
  HWND Reply = nullptr;
};
std::string RemoteTree::Received;

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
// items down to depth levels. The texts passed over go to seen.
HTREEITEM FindItem(HWND tree, RemoteTree& remote, HTREEITEM start, const std::string& wanted,
                   int depth, std::string* seen) {
  std::vector<HTREEITEM> level;
  for (HTREEITEM item = start; item != nullptr; item = Next(tree, item)) level.push_back(item);
  for (int d = 0; d <= depth && !level.empty(); ++d) {
    std::vector<HTREEITEM> below;
    for (HTREEITEM item : level) {
      const std::string text = remote.Text(item);
      if (EndsWith(text, wanted)) return item;
      if (seen->size() < 400) *seen += (seen->empty() ? "\"" : ", \"") + text + "\"";
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
  win32ui::PollUntil([&] {
    browser = win32ui::FindTopWindow("#32770", "Browse for Folder", target.ProcessId());
    return browser != nullptr;
  }, Ms(20));
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
  // The browser fills its tree while it starts (slowly on an emulated machine):
  // the tree is searched once its root has children and the setup waits for
  // input again.
  HTREEITEM item = nullptr;
  win32ui::PollUntil([&] {
    item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    return item != nullptr && Child(tree, item) != nullptr;
  }, Ms(20));
  WaitForInputIdle(target.Process.handle, Ms(20));
  for (size_t i = 0; i < pathTexts.size(); ++i) {
    std::string seen;
    item = FindItem(tree, remote, i == 0 ? item : Child(tree, item), pathTexts[i], i == 0 ? 3 : 0,
                    &seen);
    if (item == nullptr) {
      *problem = "no item \"" + pathTexts[i] + "\" in the folder browser, only " + seen;
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
