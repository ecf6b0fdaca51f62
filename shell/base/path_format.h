// Composing paths and registry texts into a PathBuffer without ever writing
// past it: a text that would not fit is refused, never cut short.
#pragma once

#include "shell/base/setup_state.h"

// Formats into out like printf. Returns false, with out emptied, when the
// result would need more than 1024 characters.
bool FormatPath(PathBuffer& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
