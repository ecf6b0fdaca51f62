// The hook side of the tree-item reader (see tree_reader.h).
#include "tree_reader.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>

extern "C" __declspec(dllexport) LRESULT CALLBACK TreeReaderHook(int code, WPARAM wParam,
                                                                 LPARAM lParam) {
  static const UINT readText = RegisterWindowMessageA(TreeItemTextMessage);
  const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call != nullptr && call->message == readText) {
    char text[1025] = "";
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(call->wParam);
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(call->hwnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    text[sizeof text - 1] = '\0';
    COPYDATASTRUCT reply{TreeItemTextReply, static_cast<DWORD>(std::strlen(text) + 1), text};
    SendMessageA(reinterpret_cast<HWND>(call->lParam), WM_COPYDATA,
                 reinterpret_cast<WPARAM>(call->hwnd), reinterpret_cast<LPARAM>(&reply));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
