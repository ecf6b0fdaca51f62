#include "shell/base/setup_state.h"

// The one instance; static storage gives every field its zero start value.
SetupState Setup;
