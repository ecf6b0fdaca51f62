#include "shell/wizard_states.h"

WizardTransition AfterPage(int32_t state, bool previousInstall, PageOutcome outcome) {
  switch (state) {
    case StateWelcome:
      if (previousInstall) {
        if (outcome == PageForward) return {WizardAction::Launch, 0, 0};
        if (outcome == PageBack) return {WizardAction::Leave, 0, 0};
        return {WizardAction::ShowAgain, StateWelcome, 0};
      }
      if (outcome == PageForward) return {WizardAction::AcceptWelcome, StateDestination, 0};
      return {WizardAction::Leave, 0, StateWelcome};
    case StateDestination:
      if (outcome == PageForward) return {WizardAction::GoTo, StateGroup, 0};
      if (outcome == PageBack) return {WizardAction::GoTo, StateWelcome, 0};
      if (outcome == PageCancel) return {WizardAction::Leave, 0, StateDestination};
      return {WizardAction::ShowAgain, StateDestination, 0};
    case StateGroup:
      if (outcome == PageForward) return {WizardAction::GoTo, StateInstall, 0};
      if (outcome == PageBack) return {WizardAction::GoTo, StateDestination, 0};
      if (outcome == PageCancel) return {WizardAction::Leave, 0, StateGroup};
      return {WizardAction::ShowAgain, StateGroup, 0};
    case StateFinish:
      if (outcome == PageForward) return {WizardAction::Launch, 0, 0};
      if (outcome == PageBack) return {WizardAction::Leave, 0, 0};
      return {WizardAction::ShowAgain, StateFinish, 0};
    default:
      return {WizardAction::ShowAgain, state, 0};
  }
}
