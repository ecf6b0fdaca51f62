#include "tests/support/win32ui/ui.h"

namespace win32ui {

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisibleTop(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  if (!IsWindowVisible(window)) return TRUE;
  if (search->processId != 0 && WindowProcess(window) != search->processId) return TRUE;
  search->windows.push_back(window);
  return TRUE;
}

}  // namespace

bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD polls = timeoutMs / PollStepMs;
  for (DWORD i = 0;; ++i) {
    if (done()) return true;
    if (i >= polls) return false;
    Sleep(PollStepMs);
  }
}

DWORD WindowProcess(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return id;
}

std::vector<HWND> TopWindows(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectVisibleTop, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

HWND FindTopWindow(const char* className, const char* caption, DWORD processId) {
  for (HWND window : TopWindows(processId)) {
    if (className != nullptr && ClassOf(window) != className) continue;
    if (caption != nullptr && CaptionOf(window) != caption) continue;
    return window;
  }
  return nullptr;
}

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string CaptionOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string TextOf(HWND window) {
  char text[8192] = "";
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &result);
  text[sizeof(text) - 1] = '\0';
  return text;
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item == nullptr ? std::string() : TextOf(item);
}

bool IsMessageBox(HWND window) {
  return ClassOf(window) == "#32770" && GetDlgItem(window, MessageBoxTextId) != nullptr;
}

std::string MessageBoxText(HWND box) { return ItemText(box, MessageBoxTextId); }

bool Click(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
  return PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

bool Type(HWND dialog, int id, const std::string& text) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return false;
  DWORD_PTR result = 0;
  SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, 5000, &result);
  return TextOf(control) == text;
}

std::vector<std::string> ListBoxItems(HWND listBox) {
  std::vector<std::string> items;
  if (listBox == nullptr) return items;
  const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, i, 0);
    if (length < 0) continue;  // LB_ERR: the entry went away meanwhile
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
    wide.back() = L'\0';
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, &narrow[0], static_cast<int>(narrow.size()),
                        nullptr, nullptr);
    narrow.resize(std::char_traits<char>::length(narrow.c_str()));
    items.push_back(narrow);
  }
  return items;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  return PollUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

}  // namespace win32ui
