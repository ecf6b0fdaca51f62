#include "pages/destination_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Formats like printf; a result that does not fit is refused, never cut.
bool FormatWhole(char* out, size_t size, const char* format, ...) {
  if (size == 0) return false;
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(out, size, format, args);
  va_end(args);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace

void FormatCreateQuestion(const char* path, char* out, size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "Folder\n\n%s\n\ndoes not exist.\nWould you like to create new?", path);
}

void FormatCreateFailure(const char* path, char* out, size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "It is impossible to create directory \n\n%s\n\nPlease try another path.",
                path);
}

void FormatUnableToInstall(const char* path, char* out, size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "Unable to install to \"%s\"\n", path);
}

void DropTrailingBackslash(char* path) {
  const size_t length = std::strlen(path);
  if (length > 0 && path[length - 1] == '\\') path[length - 1] = '\0';
}

bool ComposeBrowsedDestination(const char* folder, char* out, size_t size) {
  return FormatWhole(out, size, "%s\\Umberlay Vale (Demo)", folder);
}

bool ComposeProbePath(const char* folder, int attempt, char* out, size_t size) {
  if (attempt <= 0) return FormatWhole(out, size, "%s\\check.fil", folder);
  return FormatWhole(out, size, "%s\\check%d.fil", folder, attempt);
}
