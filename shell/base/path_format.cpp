#include "shell/base/path_format.h"

#include <cstdarg>
#include <cstdio>

bool FormatPath(PathBuffer& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(out, PathBufferSize, format, args);
  va_end(args);
  if (length < 0 || length >= PathBufferSize) {
    out[0] = '\0';
    return false;
  }
  return true;
}
