// The portable logic of the shell's top layer: the backdrop's gradient levels
// and the wizard's table.
#include <gtest/gtest.h>

#include "shell/gradient.h"
#include "shell/wizard_states.h"

namespace {

TEST(Gradient, LevelsOfTypicalScreens) {
  EXPECT_EQ(GradientLevelFor(0, 768), 0);
  EXPECT_EQ(GradientLevelFor(384, 768), 127);
  EXPECT_EQ(GradientLevelFor(767, 768), 254);
  EXPECT_EQ(GradientLevelFor(599, 600), 254);
  EXPECT_EQ(GradientColour(0), 0xFF0000u);      // RGB(0, 0, 255)
  EXPECT_EQ(GradientColour(127), 0x807F7Fu);    // RGB(127, 127, 128)
  EXPECT_EQ(GradientColour(254), 0x01FEFEu);    // RGB(254, 254, 1)
}

TEST(Gradient, OnlyTheLowEightBitsCountAndHeightZeroDoesNotDivide) {
  EXPECT_EQ(GradientLevelFor(700, 600), 41);  // 297 & 0xFF
  EXPECT_EQ(GradientColour(41), 0xD62929u);   // RGB(41, 41, 214)
  EXPECT_EQ(GradientLevelFor(500, 0), 0);
  EXPECT_EQ(GradientLevelFor(0, 0), 0);
  EXPECT_EQ(GradientLevelFor(10, -5), 0);
}

// outcome as the dialog call returns it: a PageOutcome, or any other value
// when the page could not be shown.
WizardTransition After(int32_t state, bool installed, int32_t outcome) {
  return AfterPage(state, installed, static_cast<PageOutcome>(outcome));
}

TEST(WizardStates, OrdinaryRoadAndBack) {
  EXPECT_EQ(After(StateWelcome, false, 1).Action, WizardAction::AcceptWelcome);
  EXPECT_EQ(After(StateWelcome, false, 1).NextState, StateDestination);
  EXPECT_EQ(After(StateDestination, false, 1).NextState, StateGroup);
  EXPECT_EQ(After(StateGroup, false, 1).NextState, StateInstall);
  EXPECT_EQ(After(StateDestination, false, 2).NextState, StateWelcome);  // never page 117
  EXPECT_EQ(After(StateGroup, false, 2).NextState, StateDestination);
  EXPECT_EQ(After(StateFinish, false, 1).Action, WizardAction::Launch);
}

TEST(WizardStates, LeavingAsksOnlyFromWelcomeDestinationAndGroup) {
  const WizardTransition welcome = After(StateWelcome, false, 2);
  EXPECT_EQ(welcome.Action, WizardAction::Leave);
  EXPECT_EQ(welcome.ResumeState, StateWelcome);
  EXPECT_EQ(After(StateDestination, false, 3).ResumeState, StateDestination);
  EXPECT_EQ(After(StateGroup, false, 3).ResumeState, StateGroup);
  EXPECT_EQ(After(StateFinish, false, 2).Action, WizardAction::Leave);
  EXPECT_EQ(After(StateFinish, false, 2).ResumeState, 0);

  const WizardTransition installed = After(StateWelcome, true, 2);
  EXPECT_EQ(installed.Action, WizardAction::Leave);
  EXPECT_EQ(installed.ResumeState, 0);
  EXPECT_EQ(After(StateWelcome, true, 1).Action, WizardAction::Launch);
}

TEST(WizardStates, PageThatCannotBeShownIsShownAgain) {
  for (int32_t outcome : {-1, 0, 4}) {
    for (int32_t state : {StateDestination, StateGroup, StateFinish}) {
      const WizardTransition next = After(state, false, outcome);
      EXPECT_EQ(next.Action, WizardAction::ShowAgain) << state << " " << outcome;
      EXPECT_EQ(next.NextState, state);
    }
    EXPECT_EQ(After(StateWelcome, true, outcome).Action, WizardAction::ShowAgain);
  }
  EXPECT_EQ(After(StateFinish, false, 3).Action, WizardAction::ShowAgain);
  EXPECT_GT(PageShowAttempts, 1);
}

// The welcome page ends in two ways only: accepted, or declined. A welcome
// page that cannot be shown (the dialog call returns -1 or 0), or that ends
// with a value it never produces, is declined: the question comes, and No
// shows the welcome page again. It is never shown again unasked, so the
// bound on failed showings does not apply to it.
TEST(WizardStates, WelcomePageThatCannotBeShownCountsAsDeclined) {
  for (int32_t outcome : {-1, 0, 3, 4}) {
    const WizardTransition next = After(StateWelcome, false, outcome);
    EXPECT_EQ(next.Action, WizardAction::Leave) << outcome;
    EXPECT_EQ(next.ResumeState, StateWelcome) << "asks first, No returns to the welcome page";
  }
}

TEST(WizardStates, FailedShowingsAreBoundedAndCountedOnlyInARow) {
  PageAttempts attempts;
  for (int32_t i = 1; i < PageShowAttempts; ++i) EXPECT_FALSE(attempts.Failed());
  attempts.Shown();
  for (int32_t i = 1; i < PageShowAttempts; ++i) EXPECT_FALSE(attempts.Failed());
  EXPECT_TRUE(attempts.Failed());
}

}  // namespace
