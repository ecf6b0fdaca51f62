#include "scenarios.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "report.h"
#include "resources/resource_ids.h"
#include "setup_view.h"
#include "ui_access.h"

namespace e2e {

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::string Join(const std::vector<std::string>& list) {
  std::string out;
  for (const std::string& item : list) out += (out.empty() ? "" : ", ") + Quote(item);
  return out;
}

// Starts the setup; false (reported) when it cannot be started.
bool Start(const std::string& setup, Target* t) {
  return Check(Launch(setup, t), "setup starts: " + setup);
}

// Ends a setup that is still running after a failed check, so that the next
// step does not wait on it.
void Abandon(Target& t) {
  if (IsRunning(t)) {
    Note("ending the setup after a failure");
    Kill(t);
  }
}

bool ExpectExit(Target& t, DWORD expected, const std::string& what) {
  DWORD code = 0;
  if (!Check(ExitsWithoutBox(t, &code), what + ": the setup ends")) {
    Abandon(t);
    return false;
  }
  char text[64];
  std::snprintf(text, sizeof(text), "exit code 0x%08lX", static_cast<unsigned long>(code));
  return Check(code == expected, what + ": " + text);
}

// Answers the leave question after checking its caption and text.
bool AnswerLeaveQuestion(Target& t, int answer, const std::string& shot) {
  Box box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the question to leave appears")) return false;
  CheckEqual(box.Caption, "Warning", "its caption");
  CheckEqual(box.Text, LeaveQuestion, "its text");
  if (!shot.empty()) Shot(shot);
  return Check(AnswerBox(box, answer), answer == IDYES ? "answered Yes" : "answered No");
}

HWND PassWelcome(Target& t, bool shots) {
  HWND welcome = WaitWelcome(t);
  if (!Check(welcome != nullptr, "the welcome page appears")) return nullptr;
  if (shots) Shot("welcome");
  const std::vector<std::string> texts = StaticTexts(welcome);
  Check(Contains(texts, "Welcome to Aldmoor && Brisk's") && Contains(texts, Title),
        "the welcome page greets with the product", Join(texts));
  CheckEqual(ItemText(welcome, IDC_INSTALL_NOW), "&Install now", "its first button");
  CheckEqual(ItemText(welcome, IDC_DONT_INSTALL), "&Don't install now", "its second button");
  Click(welcome, IDC_INSTALL_NOW);
  Check(WaitGone(welcome), "the welcome page goes");
  return welcome;
}

uint64_t FreeBytesOf(const std::string& path) {
  ULARGE_INTEGER available{};
  GetDiskFreeSpaceExA(path.substr(0, 3).c_str(), &available, nullptr, nullptr);
  return available.QuadPart;
}

uint64_t ParseFigure(const std::string& text) {
  uint64_t value = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  }
  return value;
}

// Destination page: checks the figures, types dir (if given), Next, answers
// the creation question with Yes. Returns the accepted directory.
std::string PassDestination(Target& t, const std::string& dir, bool shots) {
  HWND page = WaitDestination(t);
  if (!Check(page != nullptr, "the destination page appears")) return "";
  const std::string shown = ItemText(page, IDC_DEST_EDIT);
  CheckEqual(shown, DefaultDestination(), "the destination field");
  CheckEqual(ItemText(page, IDC_SPACE_NEEDED), "87,988", "the needed space (1007)");
  const std::string freeText = ItemText(page, IDC_SPACE_FREE);
  const uint64_t measured = FreeBytesOf(shown) / 1024;
  const uint64_t figure = ParseFigure(freeText);
  const uint64_t slack = measured / 50 + 1024;  // the host's free space moves meanwhile
  Check(!freeText.empty() && figure + slack >= measured && figure <= measured + slack,
        "the free space (1006) shows the drive's free KBytes: " + Quote(freeText),
        "measured " + std::to_string(measured));
  Check(IsEnabled(page, IDC_NEXT) == (FreeBytesOf(shown) > 90100000), "Next is enabled as the space allows");
  if (shots) Shot("destination");

  std::string target = shown;
  if (!dir.empty()) {
    Check(Type(page, IDC_DEST_EDIT, dir), "typed the destination " + Quote(dir));
    target = dir;
  }
  const bool existed = IsDirectory(target);
  Click(page, IDC_NEXT);
  if (!existed) {
    Box box = WaitBox(t);
    if (!Check(box.Window != nullptr, "the creation question appears")) return "";
    CheckEqual(box.Caption, "Warning!", "its caption");
    CheckEqual(box.Text, CreateQuestion(target), "its text");
    if (shots) Shot("destination-question");
    AnswerBox(box, IDYES);
  }
  if (!Check(WaitGone(page), "the destination page accepts " + Quote(target))) return "";
  Check(IsDirectory(target), "the destination exists now");
  return target;
}

// When the group page's Next was clicked (the extraction starts right after).
LARGE_INTEGER GroupNextClicked{};

// Group page: checks the defaults and the list, types group (if given),
// marks the desktop box (if asked), Next.
std::string PassGroup(Target& t, const std::string& group, bool desktop, bool shots) {
  HWND page = WaitGroup(t);
  if (!Check(page != nullptr, "the program-group page appears")) return "";
  CheckEqual(ItemText(page, IDC_GROUP_EDIT), Title, "the group field");
  const std::vector<std::string> listed = ListEntries(page, IDC_GROUP_LIST);
  std::vector<std::string> expected = ProgramGroups();
  if (expected.size() > 64) expected.resize(64);
  Check(listed == expected, "the list shows the Programs folder's groups: " + Join(listed),
        "expected " + Join(expected));
  Check(!IsChecked(page, IDC_DESKTOP_CHECK), "the desktop box starts clear");
  std::string result = Title;
  if (!group.empty()) {
    Check(Type(page, IDC_GROUP_EDIT, group), "typed the group " + Quote(group));
    result = group;
  }
  if (desktop) {
    Click(page, IDC_DESKTOP_CHECK);
    Settle(200);
    Check(IsChecked(page, IDC_DESKTOP_CHECK), "the desktop box is marked");
  }
  if (shots) Shot("group");
  QueryPerformanceCounter(&GroupNextClicked);
  Click(page, IDC_NEXT);
  Check(WaitGone(page), "the program-group page ends");
  return result;
}

// Times the extraction as a person watching the destination would see it: from the
// group page's Next until the payload's last file holds all its bytes, checked every
// 2 ms (the setup answers no window message while it extracts, so its own texts
// cannot be read meanwhile). Notes the time; gives up after two minutes.
void TimeExtraction(const std::string& dir, const std::string& lastFile,
                    unsigned long long size) {
  const std::string path = dir + "\\" + lastFile;
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  for (;;) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    QueryPerformanceCounter(&now);
    const double seconds =
        double(now.QuadPart - GroupNextClicked.QuadPart) / double(frequency.QuadPart);
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        ((unsigned long long)data.nFileSizeHigh << 32 | data.nFileSizeLow) >= size) {
      char line[160];
      std::snprintf(line, sizeof line, "extraction took %.3f s (group page's Next to the last file complete)", seconds);
      Note(line);
      return;
    }
    if (!Check(seconds < 120, "the last file " + Quote(lastFile) + " is complete within two minutes")) return;
    Sleep(2);
  }
}

// A top-level window of any process with this caption (the product's own
// programs run as processes of their own).
HWND FindAnyWindow(const std::string& caption) {
  HWND found = nullptr;
  for (HWND window = GetTopWindow(nullptr); window != nullptr && found == nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (IsWindowVisible(window) && CaptionOf(window) == caption) found = window;
  }
  return found;
}

// With the real product: the configuration dialog comes up between the
// progress and the finish page; it is answered with OK (its settings kept).
HWND WaitFinishAnsweringProduct(Target& t, bool shots) {
  bool configSeen = false;
  for (int i = 0; i < 2400; ++i) {
    if (HWND finish = FindFinish(t)) {
      Check(configSeen, "the configuration program was shown before the finish page");
      return finish;
    }
    if (HWND config = FindAnyWindow("Umberlay Vale (Demo) Configuration")) {
      if (!configSeen) {
        configSeen = true;
        Check(IsRunning(t) && FindFinish(t) == nullptr, "the setup waits for the configuration program");
        if (shots) Shot("configuration");
        Note("configuration program shown; answering OK");
      }
      Click(config, IDOK);
      WaitGone(config, 5);
    }
    // A default installation on a machine with DirectDraw shows no box at all
    // (the DirectX warning there would be false); one that comes is answered.
    Box box = FindBox(t);
    if (box.Window != nullptr) {
      Check(false, "no box during the installation: " + Quote(box.Caption) + ": " + Quote(box.Text));
      if (shots) Shot("box");
      AnswerBox(box, IDOK);
    }
    if (!IsRunning(t)) return nullptr;
    Sleep(50);
  }
  return nullptr;
}

// With the real product: "&Play now" brings up the game window; it is shown,
// then closed.
void CloseProductWindow(bool shots) {
  HWND game = nullptr;
  for (int i = 0; i < 400 && game == nullptr; ++i) {
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
      if (IsWindowVisible(window) && CaptionOf(window) == Title && ClassOf(window) != "#32770" &&
          ClassOf(window) != "ZKSetupClass") {
        game = window;
        break;
      }
    }
    if (game == nullptr) Sleep(50);
  }
  if (!Check(game != nullptr, "the product's window appears")) return;
  if (shots) Shot("product");
  PostMessageA(game, WM_CLOSE, 0, 0);
  Check(WaitGone(game), "the product's window closes");
}

}  // namespace

void RunInstallation(const InstallOptions& o) {
  ClearMarks();
  const std::string hold = std::string(MarksDir) + "\\config.hold";
  if (o.HoldConfig && o.Standins) WriteWholeFile(hold, "hold");
  else DeleteFileA(hold.c_str());

  Target t;
  if (!Start(o.Setup, &t)) return;
  if (PassWelcome(t, o.Shots) == nullptr) return Abandon(t);
  if (o.Shots) {
    Settle(200);
  }
  const std::string dir = PassDestination(t, o.Dir, o.Shots);
  if (dir.empty()) return Abandon(t);
  const std::string group = PassGroup(t, o.Group, o.Desktop, o.Shots);
  if (group.empty() && o.Group.empty()) return Abandon(t);
  if (!o.TimedFile.empty()) TimeExtraction(dir, o.TimedFile, o.TimedFileSize);

  // The progress page is up while the payload is extracted; a small payload
  // may be through before it is seen.
  // (Its texts are not read here: the setup answers no message while it extracts.)
  if (WaitProgress(t, 2) != nullptr) Note("progress page seen");
  if (o.ExpectDirectDrawWarning) {
    Box box = WaitBox(t, 60);
    if (Check(box.Window != nullptr, "the DirectX warning appears")) {
      CheckEqual(box.Caption, "Warning", "its caption");
      const std::string start =
          "Installer found that requered DirectX 7 or better not installed,\nIt can be downloaded from ";
      Check(box.Text.compare(0, start.size(), start) == 0, "its text: " + Quote(box.Text));
      HWND progress = WaitProgress(t, 1);
      if (Check(progress != nullptr, "the progress page is behind it")) {
        CheckEqual(ItemText(progress, IDC_STATUS_TEXT), "Checking for DirectX installed on machine...",
                   "the status line");
        CheckEqual(ItemText(progress, IDC_PERCENT_TEXT), " 99% complete", "the percentage");
        Check(SendDlgItemMessageA(progress, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0) == 99,
              "the bar stands at 99");
      }
      if (o.Shots) Shot("progress-directx-warning");
      AnswerBox(box, IDOK);
      // Once only: no further box before the configuration program or the finish page.
      int further = 0;
      for (int i = 0; i < 1200 && FindFinish(t) == nullptr && Marks("config").empty(); ++i) {
        Box again = FindBox(t);
        if (again.Window != nullptr) {
          ++further;
          Note("further box " + Quote(again.Caption) + ": " + Quote(again.Text));
          AnswerBox(again, IDOK);
        }
        if (!IsRunning(t)) break;
        Sleep(50);
      }
      Check(further == 0, "the warning is shown once");
    }
  }

  if (o.HoldConfig && o.Standins) {
    bool started = false;
    for (int i = 0; i < 1200 && !started; ++i) {
      started = !Marks("config").empty();
      if (!started) Sleep(50);
    }
    if (Check(started, "the configuration program is started")) {
      Settle(300);
      Check(IsRunning(t) && FindFinish(t) == nullptr,
            "the setup waits for it: no finish page while it runs");
      HWND backdrop = Backdrop(t);
      Check(backdrop != nullptr && IsIconic(backdrop), "the backdrop is minimised meanwhile");
      Check(FindBox(t).Window == nullptr, "no box meanwhile");
      if (o.Shots) Shot("configuration-running");
      DeleteFileA(hold.c_str());
    }
  }

  HWND finish = o.Standins ? WaitFinish(t, 120) : WaitFinishAnsweringProduct(t, o.Shots);
  if (!Check(finish != nullptr, "the finish page appears")) return Abandon(t);
  if (o.Standins) {
    const std::vector<std::string> config = Marks("config");
    Check(config.size() == 2 && config[0] == "started cwd=" + dir && config[1] == "ended",
          "the configuration program ran once in " + Quote(dir) + " and ended before the finish page",
          Join(config));
  }
  HWND backdrop = Backdrop(t);
  Check(backdrop != nullptr && !IsIconic(backdrop), "the backdrop is back");
  const std::vector<std::string> texts = StaticTexts(finish);
  Check(Contains(texts, "Umberlay Vale (Demo) installed successfully") &&
            Contains(texts, "Would you like to play now ?"),
        "the finish page says so", Join(texts));
  if (o.Shots) Shot("finish");

  CheckRegistry(dir, group);
  if (o.ExpectStartMenu) {
    CheckShortcuts(dir, group, o.Desktop);
  } else {
    Check(!FileExists(ProgramsFolder() + "\\" + group + "\\README.lnk"),
          "no start-menu shortcut for the refused group name");
    const std::string onDesktop = DesktopFolder() + "\\Umberlay Vale (Demo).lnk";
    Check(FileExists(onDesktop) == o.Desktop, "the desktop shortcut as chosen");
  }
  CheckProductFiles(dir);

  if (o.Play) {
    Click(finish, IDC_PLAY_NOW);
    if (!ExpectExit(t, 0xFFFFFFFF, "after \"&Play now\"")) return;
    if (o.Standins) {
      std::vector<std::string> vale;
      for (int i = 0; i < 200 && vale.empty(); ++i) {
        vale = Marks("Vale");
        if (vale.empty()) Sleep(50);
      }
      Check(vale.size() == 1 && vale[0] == "started cwd=" + dir,
            "the product was started from the registered directory", Join(vale));
    } else {
      CloseProductWindow(o.Shots);
    }
  } else {
    Click(finish, IDC_DONT_PLAY);
    ExpectExit(t, 0xFFFFFFFF, "after \"&Don't play now\"");
    if (o.Standins) Check(Marks("Vale").empty(), "the product was not started");
  }
}

namespace {

void ScenarioFreshInstall(const std::string& setup) {
  InstallOptions o;
  o.Setup = setup;
  o.HoldConfig = true;
  RunInstallation(o);
}

void ScenarioPlayNow(const std::string& setup) {
  InstallOptions o;
  o.Setup = setup;
  o.Play = true;
  RunInstallation(o);
}

void ScenarioInstalledAgain(const std::string& setup) {
  InstallOptions o;
  o.Setup = setup;
  o.Shots = false;
  RunInstallation(o);
  const std::string dir = DefaultDestination();

  Note("-- second start: only the already-installed page, then \"&Start now\"");
  ClearMarks();
  Target t;
  if (!Start(setup, &t)) return;
  HWND page = WaitInstalledPage(t);
  if (!Check(page != nullptr, "the already-installed page (\"Welcome\") appears")) return Abandon(t);
  Check(FindWelcome(t) == nullptr, "no welcome page");
  const std::vector<std::string> texts = StaticTexts(page);
  Check(Contains(texts, "Welcome to Aldmoor && Brisk's") && Contains(texts, "Umberlay Vale  (Demo)"),
        "it greets with the product", Join(texts));
  CheckEqual(ItemText(page, IDC_START_NOW), "&Start now", "its first button");
  CheckEqual(ItemText(page, IDC_DONT_START), "&Don't start now", "its second button");
  Shot("already-installed");
  Click(page, IDC_START_NOW);
  if (ExpectExit(t, 0xFFFFFFFF, "after \"&Start now\"")) {
    std::vector<std::string> vale;
    for (int i = 0; i < 200 && vale.empty(); ++i) {
      vale = Marks("Vale");
      if (vale.empty()) Sleep(50);
    }
    Check(vale.size() == 1 && vale[0] == "started cwd=" + dir,
          "the product was started from the registered directory", Join(vale));
  }
  Check(Marks("config").empty(), "the configuration program was not run");

  Note("-- third start: \"&Don't start now\" ends at once, with no question");
  ClearMarks();
  Target again;
  if (!Start(setup, &again)) return;
  page = WaitInstalledPage(again);
  if (!Check(page != nullptr, "the already-installed page appears again")) return Abandon(again);
  Click(page, IDC_DONT_START);
  ExpectExit(again, 0xFFFFFFFF, "after \"&Don't start now\"");
  Check(Marks("Vale").empty(), "the product was not started");
}

void ScenarioLeaving(const std::string& setup) {
  Target t;
  if (!Start(setup, &t)) return;
  HWND welcome = WaitWelcome(t);
  if (!Check(welcome != nullptr, "the welcome page appears")) return Abandon(t);
  Shot("welcome");
  Click(welcome, IDC_DONT_INSTALL);
  if (!AnswerLeaveQuestion(t, IDNO, "leave-question")) return Abandon(t);
  welcome = WaitWelcome(t);
  Check(welcome != nullptr, "No shows the welcome page again");
  Click(welcome, IDC_DONT_INSTALL);
  if (!AnswerLeaveQuestion(t, IDYES, "")) return Abandon(t);
  ExpectExit(t, 0xFFFFFFFF, "Yes ends the setup");

  Note("-- Back from the destination page, Cancel on the group page");
  Target u;
  if (!Start(setup, &u)) return;
  if (PassWelcome(u, false) == nullptr) return Abandon(u);
  HWND destination = WaitDestination(u);
  if (!Check(destination != nullptr, "the destination page appears")) return Abandon(u);
  Type(destination, IDC_DEST_EDIT, "C:\\typed and dropped");
  Click(destination, IDC_BACK);
  welcome = WaitWelcome(u);
  Check(welcome != nullptr && FindInstalledPage(u) == nullptr, "Back returns to the welcome page");
  if (welcome == nullptr) return Abandon(u);
  Click(welcome, IDC_INSTALL_NOW);
  destination = WaitDestination(u);
  if (!Check(destination != nullptr, "the destination page appears again")) return Abandon(u);
  CheckEqual(ItemText(destination, IDC_DEST_EDIT), DefaultDestination(),
             "the typed text was dropped: the field");
  CheckEqual(ItemText(destination, IDC_SPACE_NEEDED), "87,988", "the needed space");
  Click(destination, IDC_CANCEL_PAGE);
  if (!AnswerLeaveQuestion(u, IDNO, "")) return Abandon(u);
  destination = WaitDestination(u);
  Check(destination != nullptr, "No after Cancel shows the destination page again");
  if (destination == nullptr) return Abandon(u);
  Click(destination, IDC_NEXT);
  Box box = WaitBox(u);
  if (box.Window != nullptr) AnswerBox(box, IDYES);
  HWND group = WaitGroup(u);
  if (!Check(group != nullptr, "the program-group page appears")) return Abandon(u);
  Click(group, IDC_CANCEL_PAGE);
  if (!AnswerLeaveQuestion(u, IDNO, "")) return Abandon(u);
  group = WaitGroup(u);
  Check(group != nullptr, "No after Cancel shows the program-group page again");
  if (group == nullptr) return Abandon(u);
  Click(group, IDC_CANCEL_PAGE);
  if (!AnswerLeaveQuestion(u, IDYES, "")) return Abandon(u);
  ExpectExit(u, 0xFFFFFFFF, "Yes after Cancel ends the setup");
  Check(!ProductKeyExists(), "nothing was installed: no product key");
}

void ScenarioDestination(const std::string& setup) {
  // A folder to browse to, with a file of the probe's name that must survive.
  CreateDirectoryA("C:\\e2e-browse", nullptr);
  WriteWholeFile("C:\\e2e-browse\\check.fil", "belongs to the user");

  Target t;
  if (!Start(setup, &t)) return;
  if (PassWelcome(t, false) == nullptr) return Abandon(t);
  HWND page = WaitDestination(t);
  if (!Check(page != nullptr, "the destination page appears")) return Abandon(t);

  Note("-- No on the creation question removes the new directory");
  const std::string fresh = "C:\\e2e-fresh";
  Type(page, IDC_DEST_EDIT, fresh);
  Click(page, IDC_NEXT);
  Box box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the creation question appears")) return Abandon(t);
  CheckEqual(box.Text, CreateQuestion(fresh), "its text");
  Check(IsDirectory(fresh), "the directory was made before asking");
  AnswerBox(box, IDNO);
  Settle();
  Check(!IsDirectory(fresh), "No removed it again");
  Check(FindDestination(t) == page, "the page stays");

  Note("-- a drive that does not exist");
  const std::string nowhere = "Q:\\nowhere\\Umberlay Vale (Demo)";
  Type(page, IDC_DEST_EDIT, nowhere);
  Click(page, IDC_NEXT);
  box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the creation question appears")) return Abandon(t);
  CheckEqual(box.Text, CreateQuestion(nowhere), "its text");
  AnswerBox(box, IDYES);
  box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the failure box appears")) return Abandon(t);
  CheckEqual(box.Caption, "Warning!", "its caption");
  CheckEqual(box.Text, CreateFailure(nowhere), "its text");
  Shot("destination-impossible");
  AnswerBox(box, IDOK);
  Settle();
  Check(FindDestination(t) == page, "the page stays");

  Note("-- Browse chooses a folder");
  Click(page, IDC_BROWSE);
  std::string problem;
  Settle(600);
  Shot("folder-browser");
  Check(ChooseInFolderBrowser(t, {"(C:)", "e2e-browse"}, &problem), "chose C:\\e2e-browse", problem);
  Settle();
  CheckEqual(ItemText(page, IDC_DEST_EDIT), "C:\\e2e-browse\\Umberlay Vale (Demo)",
             "the destination field after browsing");
  CheckEqual(ItemText(page, IDC_SPACE_NEEDED), "87,988", "the needed space");
  Check(FindBox(t).Window == nullptr, "no box after browsing");
  CheckEqual(ReadWholeFile("C:\\e2e-browse\\check.fil"), "belongs to the user",
             "the user's own check.fil is untouched:");

  Note("-- a new directory three levels deep: Yes creates the chain");
  const std::string deep = "C:\\e2e deep\\one\\two\\Umberlay Vale (Demo)";
  Type(page, IDC_DEST_EDIT, deep);
  Click(page, IDC_NEXT);
  box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the creation question appears")) return Abandon(t);
  CheckEqual(box.Text, CreateQuestion(deep), "its text");
  AnswerBox(box, IDYES);
  Check(WaitGone(page), "the page accepts it");
  Check(IsDirectory(deep), "every level exists");
  HWND group = WaitGroup(t);
  if (!Check(group != nullptr, "the program-group page follows")) return Abandon(t);
  Click(group, IDC_BACK);
  page = WaitDestination(t);
  if (!Check(page != nullptr, "Back shows the destination page")) return Abandon(t);
  CheckEqual(ItemText(page, IDC_DEST_EDIT), deep, "the field keeps the accepted path");
  Click(page, IDC_CANCEL_PAGE);
  if (!AnswerLeaveQuestion(t, IDYES, "")) return Abandon(t);
  ExpectExit(t, 0xFFFFFFFF, "leaving");
}

void ScenarioGroup(const std::string& setup) {
  const std::string programs = ProgramsFolder();
  CreateDirectoryA((programs + "\\Tools").c_str(), nullptr);
  CreateDirectoryA((programs + "\\Office").c_str(), nullptr);

  ClearMarks();
  Target t;
  if (!Start(setup, &t)) return;
  if (PassWelcome(t, false) == nullptr) return Abandon(t);
  const std::string dir = PassDestination(t, "", false);
  if (dir.empty()) return Abandon(t);
  HWND page = WaitGroup(t);
  if (!Check(page != nullptr, "the program-group page appears")) return Abandon(t);
  const std::vector<std::string> listed = ListEntries(page, IDC_GROUP_LIST);
  Check(Contains(listed, "Tools") && Contains(listed, "Office"), "the list shows Tools and Office",
        Join(listed));
  const auto at = std::find(listed.begin(), listed.end(), "Tools");
  if (at != listed.end()) {
    DoubleClickEntry(page, IDC_GROUP_LIST, static_cast<int>(at - listed.begin()));
    Settle();
    CheckEqual(ItemText(page, IDC_GROUP_EDIT), "Tools", "a double-click on Tools: the field");
  }
  Check(Type(page, IDC_GROUP_EDIT, "Games\\Demos"), "typed the group \"Games\\Demos\"");
  Click(page, IDC_DESKTOP_CHECK);
  Settle(200);
  Check(IsChecked(page, IDC_DESKTOP_CHECK), "the desktop box is marked");
  Click(page, IDC_DESKTOP_CHECK);
  Settle(200);
  Check(!IsChecked(page, IDC_DESKTOP_CHECK), "a second click clears it");
  Click(page, IDC_DESKTOP_CHECK);
  Settle(200);
  Shot("group-nested");
  Click(page, IDC_NEXT);
  HWND finish = WaitFinish(t, 120);
  if (!Check(finish != nullptr, "the finish page appears")) return Abandon(t);
  Check(IsDirectory(programs + "\\Games") && IsDirectory(programs + "\\Games\\Demos"),
        "the group chain Games\\Demos exists");
  CheckShortcuts(dir, "Games\\Demos", true);
  CheckRegistry(dir, "Games\\Demos");
  Click(finish, IDC_DONT_PLAY);
  ExpectExit(t, 0xFFFFFFFF, "after \"&Don't play now\"");
}

void ScenarioSecondCopy(const std::string& setup) {
  Target first;
  if (!Start(setup, &first)) return;
  HWND welcome = WaitWelcome(first);
  if (!Check(welcome != nullptr, "the first copy shows its welcome page")) return Abandon(first);
  Target second;
  if (!Start(setup, &second)) return Abandon(first);
  DWORD code = 1;
  bool showed = false;
  bool ended = false;
  for (int i = 0; i < 400 && !ended; ++i) {
    if (!TopWindows(second.ProcessId()).empty()) showed = true;
    ended = WaitExit(second, 0.05, &code);
  }
  Check(ended, "the second copy ends at once");
  Check(ended && code == 0, "with exit code 0", "exit code " + std::to_string(code));
  Check(!showed, "having shown nothing");
  Settle();
  Check(IsRunning(first) && FindWelcome(first) == welcome, "the first copy goes on undisturbed");
  Click(welcome, IDC_DONT_INSTALL);
  if (!AnswerLeaveQuestion(first, IDYES, "")) return Abandon(first);
  ExpectExit(first, 0xFFFFFFFF, "the first copy, left");
}

void ScenarioNoDirectDraw(const std::string& setup) {
  InstallOptions o;
  o.Setup = setup;
  o.ExpectDirectDrawWarning = true;
  RunInstallation(o);
}

// Escape and Alt+F4 on a page leave it where it is.
bool KeysCloseNothing(Target& t, HWND page, const std::string& name) {
  PressEscape(page);
  Settle(500);
  PressAltF4(page);
  Settle(700);
  const bool stays = IsWindow(page) && IsWindowVisible(page) && FindBox(t).Window == nullptr;
  return Check(stays, "Escape and Alt+F4 leave the " + name + " page open");
}

void ScenarioKeys(const std::string& setup) {
  ClearMarks();
  Target t;
  if (!Start(setup, &t)) return;
  HWND welcome = WaitWelcome(t);
  if (!Check(welcome != nullptr, "the welcome page appears")) return Abandon(t);
  KeysCloseNothing(t, welcome, "welcome");
  Click(welcome, IDC_INSTALL_NOW);
  HWND destination = WaitDestination(t);
  if (!Check(destination != nullptr, "the welcome page still ends through its button")) return Abandon(t);
  KeysCloseNothing(t, destination, "destination");
  Click(destination, IDC_NEXT);
  Box box = WaitBox(t);
  if (box.Window != nullptr) AnswerBox(box, IDYES);
  HWND group = WaitGroup(t);
  if (!Check(group != nullptr, "the destination page still ends through Next")) return Abandon(t);
  KeysCloseNothing(t, group, "program-group");
  Click(group, IDC_NEXT);
  HWND finish = WaitFinish(t, 120);
  if (!Check(finish != nullptr, "the program-group page still ends through Next")) return Abandon(t);
  KeysCloseNothing(t, finish, "finish");
  Click(finish, IDC_DONT_PLAY);
  ExpectExit(t, 0xFFFFFFFF, "the finish page still ends through its button");

  Target again;
  if (!Start(setup, &again)) return;
  HWND installed = WaitInstalledPage(again);
  if (!Check(installed != nullptr, "the already-installed page appears")) return Abandon(again);
  KeysCloseNothing(again, installed, "already-installed");
  Click(installed, IDC_DONT_START);
  ExpectExit(again, 0xFFFFFFFF, "the already-installed page still ends through its button");
}

void ScenarioLongInputs(const std::string& setup) {
  const std::string programs = ProgramsFolder();
  for (int i = 1; i <= 65; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "Group %02d", i);
    CreateDirectoryA((programs + "\\" + name).c_str(), nullptr);
  }
  Target t;
  if (!Start(setup, &t)) return;
  if (PassWelcome(t, false) == nullptr) return Abandon(t);
  HWND page = WaitDestination(t);
  if (!Check(page != nullptr, "the destination page appears")) return Abandon(t);

  Note("-- a destination of 1,023 characters");
  std::string longPath = "C:\\";
  while (longPath.size() < 1023) longPath += std::string(std::min<size_t>(200, 1023 - longPath.size()), 'L') + "\\";
  longPath.resize(1023);
  if (longPath.back() == '\\') longPath.back() = 'L';
  Check(Type(page, IDC_DEST_EDIT, longPath), "typed 1,023 characters");
  Click(page, IDC_NEXT);
  Box box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the creation question appears")) return Abandon(t);
  CheckEqual(box.Text, CreateQuestion(longPath), "its text holds the whole path:");
  AnswerBox(box, IDYES);
  box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the failure box appears")) return Abandon(t);
  CheckEqual(box.Text, CreateFailure(longPath), "its text holds the whole path:");
  Shot("destination-long-path");
  AnswerBox(box, IDOK);
  Settle();
  Check(FindDestination(t) == page, "the page stays");

  Note("-- a path with 33 backslashes");
  std::string deep = "C:";
  for (int i = 0; i < 33; ++i) deep += "\\d";
  Type(page, IDC_DEST_EDIT, deep);
  Click(page, IDC_NEXT);
  box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the creation question appears")) return Abandon(t);
  AnswerBox(box, IDYES);
  box = WaitBox(t);
  if (!Check(box.Window != nullptr, "the failure box appears")) return Abandon(t);
  CheckEqual(box.Text, CreateFailure(deep), "its text");
  AnswerBox(box, IDOK);
  Settle();
  Check(!IsDirectory("C:\\d"), "no level of it was created");
  Check(FindDestination(t) == page, "the page stays");

  Note("-- 65 program groups and more");
  Type(page, IDC_DEST_EDIT, DefaultDestination());
  Click(page, IDC_NEXT);
  box = WaitBox(t, 3);
  if (box.Window != nullptr) AnswerBox(box, IDYES);
  HWND group = WaitGroup(t);
  if (!Check(group != nullptr, "the program-group page appears")) return Abandon(t);
  const std::vector<std::string> listed = ListEntries(group, IDC_GROUP_LIST);
  std::vector<std::string> all = ProgramGroups();
  Check(all.size() > 64, "the Programs folder holds " + std::to_string(all.size()) + " groups");
  all.resize(std::min<size_t>(all.size(), 64));
  Check(listed.size() == 64 && listed == all, "the list shows the first 64 of them",
        std::to_string(listed.size()) + " listed");
  Shot("group-65");
  Click(group, IDC_CANCEL_PAGE);
  if (!AnswerLeaveQuestion(t, IDYES, "")) return Abandon(t);
  ExpectExit(t, 0xFFFFFFFF, "leaving");
}

// Names in the ANSI code page and a group name the file system refuses.
void ScenarioOddNames(const std::string& setup) {
  InstallOptions o;
  o.Setup = setup;
  o.Dir = "C:\\Jeux \xC9t\xE9\\Umberlay Vale (D\xE9mo)";  // "Jeux Ete", "Demo" with accents
  o.Group = "Demos|Bad";
  o.Desktop = true;
  o.ExpectStartMenu = false;
  o.Shots = false;
  RunInstallation(o);
}

struct Scenario {
  const char* Name;
  void (*Run)(const std::string& setup);
};

const Scenario Scenarios[] = {
    {"fresh_install", ScenarioFreshInstall},   {"play_now", ScenarioPlayNow},
    {"installed_again", ScenarioInstalledAgain}, {"leaving", ScenarioLeaving},
    {"destination", ScenarioDestination},      {"group", ScenarioGroup},
    {"second_copy", ScenarioSecondCopy},       {"no_directdraw", ScenarioNoDirectDraw},
    {"keys", ScenarioKeys},                    {"long_inputs", ScenarioLongInputs},
    {"odd_names", ScenarioOddNames},
};

}  // namespace

const char* ScenarioList() {
  return "fresh_install play_now installed_again leaving destination group second_copy "
         "no_directdraw keys long_inputs odd_names";
}

bool RunScenario(const std::string& name, const std::string& setup) {
  for (const Scenario& scenario : Scenarios) {
    if (name == scenario.Name) {
      scenario.Run(setup);
      return true;
    }
  }
  return false;
}

}  // namespace e2e
