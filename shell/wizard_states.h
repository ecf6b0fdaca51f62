// The wizard's sequence as a table, free of any window system: given the
// state, whether an installation was found, and the outcome with which the
// state's page ended, what comes next. RunWizard (wizard.h) performs it.
#pragma once

#include <cstdint>

#include "shell/base/page_outcome.h"

enum WizardStateId : int32_t {
  StateWelcome = 1,      // page 117 when installed, else page 112
  StateDestination = 2,  // page 118
  StateGroup = 3,        // page 119
  StateInstall = 4,      // progress page 120 and the install sequence
  StateFinish = 5,       // configuration program, then page 123
  StateLeave = 100,      // ask (unless ResumeState is 0), then end or resume
};

// How many times in a row a page other than the welcome page may fail to be
// shown at all before the setup gives up with a fatal error.
constexpr int32_t PageShowAttempts = 3;

enum class WizardAction {
  GoTo,            // go on with NextState
  AcceptWelcome,   // set the needed space, then go on with NextState
  Launch,          // start the installed product and end
  Leave,           // go to StateLeave; ResumeState tells whether to ask first
  ShowAgain,       // the page could not be shown: show it again (bounded)
};

struct WizardTransition {
  WizardAction Action;
  int32_t NextState;    // for GoTo, AcceptWelcome and ShowAgain
  int32_t ResumeState;  // for Leave: the state a No returns to, 0 = end without asking
};

// Counts the showings in a row that failed, for the bound above.
class PageAttempts {
 public:
  // A page could not be shown; true when the bound is reached.
  bool Failed() { return ++failed_ >= PageShowAttempts; }
  // A page was shown (whatever the user did with it).
  void Shown() { failed_ = 0; }

 private:
  int32_t failed_ = 0;
};

// The step after a modal page. outcome is what the dialog call returned: one
// of the PageOutcome values, or a value no page produces when the page could
// not be shown.
// The welcome page ends in two ways only: PageForward accepts it and anything
// else declines it (Leave, asking first), a page that could not be shown
// included. Every other page that could not be shown is shown again
// (ShowAgain, bounded by PageShowAttempts).
WizardTransition AfterPage(int32_t state, bool previousInstall, PageOutcome outcome);
