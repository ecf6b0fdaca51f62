#include "shell/wizard.h"

#include <windows.h>

#include "install/install_sequence.h"
#include "install/previous_install.h"
#include "pages/destination_page.h"
#include "pages/group_page.h"
#include "pages/simple_pages.h"
#include "resources/resource_ids.h"
#include "shell/base/fatal_error.h"
#include "shell/base/setup_state.h"
#include "shell/base/start_checks.h"
#include "shell/wizard_states.h"

namespace {

constexpr uint32_t InstallRequiredBytes = 90100000;

// The page's outcome, or what the dialog call returned when the page could not
// be shown at all (-1 or 0, values no page ends with).
PageOutcome ShowPage(int templateId, DLGPROC procedure) {
  return static_cast<PageOutcome>(DialogBoxParamA(Setup.ModuleInstance,
                                                  MAKEINTRESOURCEA(templateId), Setup.MainWindow,
                                                  procedure, 0));
}

PageOutcome ShowPageOfState(int32_t state, bool previousInstall) {
  switch (state) {
    case StateWelcome:
      return previousInstall ? ShowPage(IDD_INSTALLED, InstalledPageProc)
                             : ShowPage(IDD_WELCOME, WelcomePageProc);
    case StateDestination: return ShowPage(IDD_DESTINATION, DestinationPageProc);
    case StateGroup: return ShowPage(IDD_GROUP, GroupPageProc);
    case StateFinish: return ShowPage(IDD_FINISH, FinishPageProc);
    default: return static_cast<PageOutcome>(-1);
  }
}

void RunInstallState() {
  RegisterProgressClass();
  Setup.ProgressPage = CreateDialogParamA(Setup.ModuleInstance, MAKEINTRESOURCEA(IDD_PROGRESS),
                                          Setup.MainWindow, ProgressPageProc, 0);
  RunInstall(Setup.ProgressPage);
  DestroyWindow(Setup.ProgressPage);
  Setup.ProgressPage = nullptr;
}

}  // namespace

void RunWizard() {
  InitPaths();
  const bool previousInstall = FindPreviousInstall();

  int32_t state = StateWelcome;
  int32_t resumeState = 0;
  PageAttempts attempts;
  bool configToolRun = false;  // for the current entry into the finish state

  for (;;) {
    if (state == StateLeave) {
      if (resumeState == 0) AbortSetup();
      if (MessageBoxA(Setup.MainWindow, "Do you really want to leave installer ?", "Warning",
                      MB_ICONQUESTION | MB_YESNO) == IDYES) {
        AbortSetup();
      }
      state = resumeState;
      continue;
    }
    if (state == StateInstall) {
      RunInstallState();
      state = StateFinish;
      configToolRun = false;
      continue;
    }
    if (state == StateFinish && !configToolRun) {
      // A finish page shown again after a failed showing does not run the
      // configuration program a second time.
      RunConfigTool();
      configToolRun = true;
    }

    const PageOutcome outcome = ShowPageOfState(state, previousInstall);
    const WizardTransition next = AfterPage(state, previousInstall, outcome);
    if (next.Action == WizardAction::ShowAgain) {
      // A page template that cannot be shown means the program itself is
      // damaged. (A welcome page that cannot be shown counts as declined: the
      // user is asked whether to leave instead.)
      if (attempts.Failed()) ReportFatalError(FatalDamagedPayload);
      continue;
    }
    attempts.Shown();
    switch (next.Action) {
      case WizardAction::AcceptWelcome:
        Setup.RequiredBytes = InstallRequiredBytes;
        state = next.NextState;
        break;
      case WizardAction::Launch:
        LaunchGameAndExit();
      case WizardAction::Leave:
        resumeState = next.ResumeState;
        state = StateLeave;
        break;
      default:
        state = next.NextState;
        break;
    }
  }
}
