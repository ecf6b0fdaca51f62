// The integer with which a modal page ends: the value the page gives
// EndDialog and the wizard reads back from the dialog call. Any other value
// from the dialog call means the page could not be shown at all.
#pragma once

#include <cstdint>

enum PageOutcome : int32_t {
  PageForward = 1,  // the affirmative button: Install now, Next, Start now, Play now
  PageBack = 2,     // the negative button: Don't install now, Back, Don't start/play now
  PageCancel = 3,   // Cancel, on the destination and program-group pages only
};
