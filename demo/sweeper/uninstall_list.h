// The uninstaller's portable core: reading the product's list file (one
// install-list line per installed entry, "!PATH\r\n" for a directory and
// "PATH\r\n" for a file: payload/install_list.h), deciding which paths are
// safe to remove, and putting the entries in removal order. Nothing here
// touches the file system, so the same rules are tested natively and on
// Windows.
//
// A path is safe when it names something strictly inside the installation
// directory: relative, backslash-separated, with no drive, colon, empty, "."
// or ".." component, no component that ends in a dot or a space (Windows
// would strip those and could turn them into "." or ".."), no character that
// Windows refuses in names, and at most MaxRelativePathLength characters.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sweeper {

// Longest relative path accepted; with the installation directory in front
// it must still fit the platform's classic 260-character limit.
constexpr size_t MaxRelativePathLength = 200;

// Largest list file read; the product's own list is about 10 KB.
constexpr size_t MaxListFileSize = 1 << 20;

enum class PathVerdict {
  Safe,
  Empty,            // nothing after the optional "!"
  Absolute,         // begins with a backslash or slash
  HasColon,         // a drive ("C:"), a stream ("FILE:X") or a device
  HasSlash,         // forward slashes are separators too: refused outright
  EmptyComponent,   // "A\\B" or a trailing backslash
  DotComponent,     // "."
  DotDotComponent,  // ".."
  TrailingDotOrSpace,
  BadCharacter,     // control characters and < > " | ? *
  TooLong,
};

// A short English reason for a verdict ("names a parent directory" ...).
const char* PathVerdictText(PathVerdict verdict);

struct UninstallEntry {
  std::string path;     // relative to the installation directory
  bool isDirectory;
  int depth;            // number of components: "A" is 1, "A\\B" is 2
};

struct RefusedLine {
  int lineNumber;       // 1-based
  std::string text;     // the line as read, control bytes shown as '?'
  PathVerdict verdict;
};

struct UninstallList {
  std::vector<UninstallEntry> entries;   // in file order
  std::vector<RefusedLine> refused;
};

// Splits the list into lines ("\r\n" or a lone "\n"; the last line may lack
// it), skips blank lines and sorts each other line into entries or refused.
// A line holding a zero byte is refused as BadCharacter.
UninstallList ParseUninstallList(const char* data, size_t size);

// Orders entries for removal: deepest first, so that every file and
// subdirectory goes before the directory that holds it; the order is stable
// and files go before directories of the same depth.
void OrderForRemoval(std::vector<UninstallEntry>& entries);

// The directory as given by the registry must be absolute ("X:\..." or
// "\\server\share\...") and hold no "." or ".." component, so that "inside
// it" has a plain meaning. Returns Safe or the reason it is refused.
PathVerdict CheckInstallDirectory(const std::string& directory);

// The start-menu group, a path below the Programs folder, as the folders to
// try to remove from the deepest level up: "Games\\Demos" gives
// {"Games\\Demos", "Games"}. Empty levels (leading, trailing or doubled
// backslashes) name the level before them and are dropped; an empty group
// gives no folder at all. Returns false, with the verdict, when a level is
// unsafe; then folders is empty.
bool GroupFolders(const std::string& group, std::vector<std::string>* folders,
                  PathVerdict* verdict);

// base, a backslash unless base is empty or already ends in a backslash or
// slash, then relative.
std::string JoinPath(const std::string& base, const std::string& relative);

}  // namespace sweeper
