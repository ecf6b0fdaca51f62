#include "shell/wizard_states.h"

bool IsPageOutcome(int32_t state, int32_t outcome) {
  switch (state) {
    case StateWelcome:
    case StateFinish:
      return outcome == 1 || outcome == 2;
    case StateDestination:
    case StateGroup:
      return outcome == 1 || outcome == 2 || outcome == 3;
    default:
      return false;
  }
}

WizardTransition AfterPage(int32_t state, bool previousInstall, int32_t outcome) {
  switch (state) {
    case StateWelcome:
      if (previousInstall) {
        if (outcome == 1) return {WizardAction::Launch, 0, 0};
        if (outcome == 2) return {WizardAction::Leave, 0, 0};
        return {WizardAction::ShowAgain, StateWelcome, 0};
      }
      if (outcome == 1) return {WizardAction::AcceptWelcome, StateDestination, 0};
      if (outcome == 2) return {WizardAction::Leave, 0, StateWelcome};
      return {WizardAction::ShowAgain, StateWelcome, 0};
    case StateDestination:
      if (outcome == 1) return {WizardAction::GoTo, StateGroup, 0};
      if (outcome == 2) return {WizardAction::GoTo, StateWelcome, 0};
      if (outcome == 3) return {WizardAction::Leave, 0, StateDestination};
      return {WizardAction::ShowAgain, StateDestination, 0};
    case StateGroup:
      if (outcome == 1) return {WizardAction::GoTo, StateInstall, 0};
      if (outcome == 2) return {WizardAction::GoTo, StateDestination, 0};
      if (outcome == 3) return {WizardAction::Leave, 0, StateGroup};
      return {WizardAction::ShowAgain, StateGroup, 0};
    case StateFinish:
      if (outcome == 1) return {WizardAction::Launch, 0, 0};
      if (outcome == 2) return {WizardAction::Leave, 0, 0};
      return {WizardAction::ShowAgain, StateFinish, 0};
    default:
      return {WizardAction::ShowAgain, state, 0};
  }
}
