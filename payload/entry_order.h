// The order of a payload archive's entries and the record fields that follow
// from an entry's path and its place in that order. One definition for all
// who build or check an archive: the archive writer, the layout check and the
// demo generator.
//
// Paths are archive paths: relative, backslash-separated. Entry order:
// increasing level; within a level each directory, in byte order of its path,
// followed at once by its own files in byte order. A file's level is the
// number of components of its path, a directory's one more, so the root's own
// files form level 1 and a directory stands at the level of its files.
// Byte order compares unsigned bytes; a path sorts before its extensions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace entry_order {

// The record's Level: the number of components ("A" has 1, "A\B" 2), one
// more for a directory.
int32_t Level(std::string_view path, bool directory);

// The directory holding path: everything before its last backslash ("" at
// the root).
std::string_view Parent(std::string_view path);

// Where, within path, its last component begins (the record's NameOffset
// minus its PathOffset).
size_t NameStart(std::string_view path);

// Where, within path, its extension begins: after the last dot of the last
// component, or the path's length when that component has no dot (the
// record's ExtensionOffset minus its PathOffset).
size_t ExtensionStart(std::string_view path);

// Byte order: negative, 0 or positive as a sorts before, with or after b.
int ComparePaths(std::string_view a, std::string_view b);

struct Item {
  std::string_view path;
  bool directory;
};

// True when a stands before b in entry order (false for equal items).
bool Precedes(const Item& a, const Item& b);

// The indices of items in entry order (a stable sort).
std::vector<size_t> EntryOrder(const std::vector<Item>& items);

// The first place where a list fails entry order: the entry and the reason
// ("directory out of order", "directory stands before its parent", "file
// does not follow its directory", "file out of order"), or entry -1 when the
// list is in entry order and every directory's parent stands before it.
struct OrderFault {
  int32_t entry;
  const char* reason;
};
OrderFault FindOrderFault(const std::vector<Item>& inOrder);

// The record's links for each entry of a list in entry order: a directory
// links to the next directory of its level (NextLink) and to its first
// subdirectory (ChildLink); a file links to the first directory one level
// below its own (NextLink). -1 where there is none.
struct Links {
  int32_t next;
  int32_t child;
};
std::vector<Links> LinkEntries(const std::vector<Item>& inOrder);

}  // namespace entry_order
