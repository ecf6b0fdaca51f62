#include "tests/install/recorder_page.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

std::vector<std::string> Lines;
FILE* Log = nullptr;
// Like a real bar, the recorder answers with the position it was last given.
int BarPosition = 0;

void Record(const std::string& line) {
  Lines.push_back(line);
  if (Log != nullptr) {
    std::fprintf(Log, "%s\n", line.c_str());
    std::fflush(Log);
  }
}

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PBM_SETPOS) {
    Record("bar " + std::to_string(static_cast<int>(wParam)));
    const int previous = BarPosition;
    BarPosition = static_cast<int>(wParam);
    return previous;
  }
  if (message == PBM_GETPOS) return BarPosition;
  if (message == WM_SETTEXT && lParam != 0) {
    Record("text " + std::to_string(GetDlgCtrlID(window)) + " " +
           reinterpret_cast<const char*>(lParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Appends a WCHAR string to a template under construction.
void PutText(std::vector<WORD>& out, const char* text) {
  for (const char* p = text; *p != '\0'; ++p) out.push_back(static_cast<WORD>(*p));
  out.push_back(0);
}

void PutDword(std::vector<WORD>& out, DWORD value) {
  out.push_back(LOWORD(value));
  out.push_back(HIWORD(value));
}

}  // namespace

HWND CreateRecorderPage(HINSTANCE module) {
  BarPosition = 0;
  WNDCLASSA recorder;
  std::memset(&recorder, 0, sizeof(recorder));
  recorder.lpfnWndProc = RecorderProc;
  recorder.hInstance = module;
  recorder.lpszClassName = "SetupTestRecorder";
  RegisterClassA(&recorder);

  const int ids[3] = {1016, 1018, 1027};
  std::vector<WORD> t;
  PutDword(t, WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT);  // style
  PutDword(t, 0);                                   // extended style
  t.push_back(3);                                   // items
  t.push_back(0); t.push_back(0); t.push_back(200); t.push_back(80);
  t.push_back(0);  // no menu
  t.push_back(0);  // default class
  PutText(t, "Progress");
  t.push_back(8);
  PutText(t, "MS Shell Dlg");
  for (int i = 0; i < 3; ++i) {
    if (t.size() % 2 != 0) t.push_back(0);  // items are DWORD aligned
    PutDword(t, WS_CHILD | WS_VISIBLE);
    PutDword(t, 0);
    t.push_back(10); t.push_back(static_cast<WORD>(10 + 20 * i));
    t.push_back(180); t.push_back(14);
    t.push_back(static_cast<WORD>(ids[i]));
    PutText(t, "SetupTestRecorder");
    PutText(t, "");
    t.push_back(0);  // no creation data
  }
  return CreateDialogIndirectParamA(module, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), nullptr,
                                    PageProc, 0);
}

void SetRecorderLog(const char* path) {
  if (Log != nullptr) std::fclose(Log);
  Log = path != nullptr ? std::fopen(path, "wb") : nullptr;
}

const std::vector<std::string>& RecordedLines() { return Lines; }
void ClearRecordedLines() { Lines.clear(); }
