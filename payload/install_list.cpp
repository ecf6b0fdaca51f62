#include "payload/install_list.h"

#include <cstring>

uint32_t FormatInstallListLine(std::string_view path, bool directory, char* out, size_t size) {
  size_t length = 0;
  auto append = [&](const char* text, size_t count) {
    const size_t room = size - 1 - length;
    const size_t taken = count < room ? count : room;
    if (taken == 0) return;
    std::memcpy(out + length, text, taken);
    length += taken;
  };
  if (directory) append(&InstallListDirectoryMark, 1);
  append(path.data(), path.size());
  append(InstallListLineEnd, sizeof(InstallListLineEnd) - 1);
  out[length] = 0;
  return static_cast<uint32_t>(length);
}

std::string InstallListLine(std::string_view path, bool directory) {
  std::string line(path.size() + sizeof(InstallListLineEnd) + 1, '\0');
  line.resize(FormatInstallListLine(path, directory, &line[0], line.size()));
  return line;
}
