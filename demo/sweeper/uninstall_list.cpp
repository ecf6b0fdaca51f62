#include "demo/sweeper/uninstall_list.h"

#include <algorithm>
#include <cstring>

#include "payload/install_list.h"

namespace sweeper {

const char* PathVerdictText(PathVerdict verdict) {
  switch (verdict) {
    case PathVerdict::Safe: return "safe";
    case PathVerdict::Empty: return "names no path";
    case PathVerdict::Absolute: return "is not relative to the installation directory";
    case PathVerdict::HasColon: return "names a drive, device or stream";
    case PathVerdict::HasSlash: return "holds a forward slash";
    case PathVerdict::EmptyComponent: return "holds an empty name";
    case PathVerdict::DotComponent: return "holds a \".\" name";
    case PathVerdict::DotDotComponent: return "names a parent directory";
    case PathVerdict::TrailingDotOrSpace: return "holds a name ending in a dot or space";
    case PathVerdict::BadCharacter: return "holds a character not allowed in names";
    case PathVerdict::TooLong: return "is too long";
  }
  return "is refused";
}

static bool IsBadNameCharacter(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' ||
         c == '*' || c == 0x7F;
}

// Checks one name of a relative path (no separators allowed in it).
static PathVerdict CheckComponent(const std::string& component) {
  if (component.empty()) return PathVerdict::EmptyComponent;
  if (component == ".") return PathVerdict::DotComponent;
  if (component == "..") return PathVerdict::DotDotComponent;
  for (unsigned char c : component) {
    if (c == ':') return PathVerdict::HasColon;
    if (c == '/') return PathVerdict::HasSlash;
    if (c == '\\') return PathVerdict::EmptyComponent;
    if (IsBadNameCharacter(c)) return PathVerdict::BadCharacter;
  }
  char last = component.back();
  if (last == '.' || last == ' ') return PathVerdict::TrailingDotOrSpace;
  return PathVerdict::Safe;
}

// Splits at every character in separators, keeping empty pieces.
static std::vector<std::string> Split(const std::string& text, const char* separators) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t cut = text.find_first_of(separators, start);
    if (cut == std::string::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, cut - start));
    start = cut + 1;
  }
}

// Checks a relative path as the header describes.
static PathVerdict CheckRelativePath(const std::string& path) {
  if (path.empty()) return PathVerdict::Empty;
  if (path.size() > MaxRelativePathLength) return PathVerdict::TooLong;
  if (path[0] == '\\' || path[0] == '/') return PathVerdict::Absolute;
  // Forward slashes and colons are judged for the whole path first, so that
  // "C:\\X" reads as a drive and "A/../B" as a slash, whatever else is wrong.
  if (path.find(':') != std::string::npos) return PathVerdict::HasColon;
  if (path.find('/') != std::string::npos) return PathVerdict::HasSlash;
  for (const std::string& component : Split(path, "\\")) {
    PathVerdict verdict = CheckComponent(component);
    if (verdict != PathVerdict::Safe) return verdict;
  }
  return PathVerdict::Safe;
}

static int Depth(const std::string& path) {
  return 1 + static_cast<int>(std::count(path.begin(), path.end(), '\\'));
}

static std::string Printable(const char* text, size_t length) {
  std::string shown(text, length);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}

UninstallList ParseUninstallList(const char* data, size_t size) {
  UninstallList list;
  size_t position = 0;
  int lineNumber = 0;
  while (position < size) {
    const void* found = std::memchr(data + position, '\n', size - position);
    size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - data) : size;
    size_t next = found ? end + 1 : size;
    size_t length = end - position;
    if (length > 0 && data[position + length - 1] == '\r') --length;
    ++lineNumber;
    const char* line = data + position;
    position = next;
    if (length == 0) continue;

    if (std::memchr(line, '\0', length) != nullptr) {
      list.refused.push_back({lineNumber, Printable(line, length), PathVerdict::BadCharacter});
      continue;
    }
    bool isDirectory = line[0] == InstallListDirectoryMark;
    std::string path = isDirectory ? std::string(line + 1, length - 1) : std::string(line, length);
    PathVerdict verdict = CheckRelativePath(path);
    if (verdict != PathVerdict::Safe) {
      list.refused.push_back({lineNumber, Printable(line, length), verdict});
      continue;
    }
    int depth = Depth(path);
    list.entries.push_back({std::move(path), isDirectory, depth});
  }
  return list;
}

void OrderForRemoval(std::vector<UninstallEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const UninstallEntry& a, const UninstallEntry& b) {
                     if (a.depth != b.depth) return a.depth > b.depth;
                     return !a.isDirectory && b.isDirectory;
                   });
}

static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

PathVerdict CheckInstallDirectory(const std::string& directory) {
  std::string rest;
  if (directory.size() >= 3 && IsLetter(directory[0]) && directory[1] == ':' &&
      (directory[2] == '\\' || directory[2] == '/')) {
    rest = directory.substr(3);
  } else if (directory.size() >= 2 && directory[0] == '\\' && directory[1] == '\\') {
    // \\server\share\...: server and share must be plain names.
    std::vector<std::string> pieces = Split(directory.substr(2), "\\/");
    if (pieces.size() < 2) return PathVerdict::Absolute;
    for (size_t i = 0; i < 2; ++i) {
      PathVerdict verdict = CheckComponent(pieces[i]);
      if (verdict != PathVerdict::Safe) return verdict;
    }
    size_t skip = 2 + pieces[0].size() + 1 + pieces[1].size();
    rest = skip < directory.size() ? directory.substr(skip + 1) : std::string();
  } else {
    return PathVerdict::Absolute;
  }
  if (directory.size() > 259) return PathVerdict::TooLong;
  if (rest.empty()) return PathVerdict::Safe;  // a drive root or share root
  // One trailing separator is fine ("C:\\Games\\").
  if (rest.back() == '\\' || rest.back() == '/') rest.pop_back();
  for (const std::string& component : Split(rest, "\\/")) {
    if (component == ".") return PathVerdict::DotComponent;
    if (component.empty()) return PathVerdict::EmptyComponent;
    // ".." and names Windows would shorten to it ("..", ". .", "... ").
    if (component.find_first_not_of(". ") == std::string::npos) return PathVerdict::DotDotComponent;
    for (unsigned char c : component) {
      if (c == ':') return PathVerdict::HasColon;
      if (IsBadNameCharacter(c)) return PathVerdict::BadCharacter;
    }
  }
  return PathVerdict::Safe;
}

bool GroupFolders(const std::string& group, std::vector<std::string>* folders,
                  PathVerdict* verdict) {
  folders->clear();
  *verdict = PathVerdict::Safe;
  if (group.size() > MaxRelativePathLength) {
    *verdict = PathVerdict::TooLong;
    return false;
  }
  std::string path;
  std::vector<std::string> chain;
  for (const std::string& level : Split(group, "\\/")) {
    if (level.empty()) continue;
    PathVerdict check = CheckComponent(level);
    if (check != PathVerdict::Safe) {
      *verdict = check;
      return false;
    }
    path = JoinPath(path, level);
    chain.push_back(path);
  }
  folders->assign(chain.rbegin(), chain.rend());
  return true;
}

std::string JoinPath(const std::string& base, const std::string& relative) {
  if (base.empty()) return relative;
  char last = base.back();
  if (last == '\\' || last == '/') return base + relative;
  return base + "\\" + relative;
}

}  // namespace sweeper
