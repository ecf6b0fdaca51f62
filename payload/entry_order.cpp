#include "payload/entry_order.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace entry_order {

int32_t Level(std::string_view path, bool directory) {
  const int32_t components = 1 + static_cast<int32_t>(std::count(path.begin(), path.end(), '\\'));
  return components + (directory ? 1 : 0);
}

std::string_view Parent(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

size_t NameStart(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

size_t ExtensionStart(std::string_view path) {
  const size_t dot = path.rfind('.');
  return (dot == std::string_view::npos || dot < NameStart(path)) ? path.size() : dot + 1;
}

int ComparePaths(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool Precedes(const Item& a, const Item& b) {
  // The key (level, group, directory before files, path), where a directory's
  // group is its own path and a file's the directory holding it.
  const int32_t la = Level(a.path, a.directory), lb = Level(b.path, b.directory);
  if (la != lb) return la < lb;
  const std::string_view ga = a.directory ? a.path : Parent(a.path);
  const std::string_view gb = b.directory ? b.path : Parent(b.path);
  if (const int c = ComparePaths(ga, gb)) return c < 0;
  if (a.directory != b.directory) return a.directory;
  return ComparePaths(a.path, b.path) < 0;
}

std::vector<size_t> EntryOrder(const std::vector<Item>& items) {
  std::vector<size_t> order(items.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return Precedes(items[a], items[b]); });
  return order;
}

OrderFault FindOrderFault(const std::vector<Item>& inOrder) {
  std::unordered_map<std::string_view, int32_t> directories;
  std::string_view current;  // the directory whose files may follow ("" : the root)
  const int32_t count = static_cast<int32_t>(inOrder.size());
  for (int32_t i = 0; i < count; ++i) {
    const Item& e = inOrder[static_cast<size_t>(i)];
    const bool ordered = i == 0 || Precedes(inOrder[static_cast<size_t>(i) - 1], e);
    if (e.directory) {
      if (!ordered) return {i, "directory out of order"};
      const std::string_view parent = Parent(e.path);
      if (!parent.empty() && directories.find(parent) == directories.end())
        return {i, "directory stands before its parent"};
      directories.emplace(e.path, i);
      current = e.path;
    } else {
      if (Parent(e.path) != current) return {i, "file does not follow its directory"};
      if (!ordered) return {i, "file out of order"};
    }
  }
  return {-1, nullptr};
}

std::vector<Links> LinkEntries(const std::vector<Item>& inOrder) {
  const int32_t count = static_cast<int32_t>(inOrder.size());
  std::vector<Links> links(inOrder.size(), Links{-1, -1});
  std::unordered_map<int32_t, int32_t> firstOfLevel;
  std::unordered_map<std::string_view, int32_t> directoryIndex;
  for (int32_t i = 0; i < count; ++i) {
    const Item& e = inOrder[static_cast<size_t>(i)];
    if (!e.directory) continue;
    firstOfLevel.emplace(Level(e.path, true), i);
    directoryIndex.emplace(e.path, i);
    const auto parent = directoryIndex.find(Parent(e.path));
    if (parent != directoryIndex.end()) {
      int32_t& child = links[static_cast<size_t>(parent->second)].child;
      if (child < 0) child = i;
    }
  }
  // Walking backwards, the last directory seen at each level is the next one
  // of that level.
  std::unordered_map<int32_t, int32_t> nextOfLevel;
  for (int32_t i = count - 1; i >= 0; --i) {
    const Item& e = inOrder[static_cast<size_t>(i)];
    const int32_t level = Level(e.path, e.directory);
    const auto& lookup = e.directory ? nextOfLevel : firstOfLevel;
    const auto next = lookup.find(e.directory ? level : level + 1);
    if (next != lookup.end()) links[static_cast<size_t>(i)].next = next->second;
    if (e.directory) nextOfLevel[level] = i;
  }
  return links;
}

}  // namespace entry_order
