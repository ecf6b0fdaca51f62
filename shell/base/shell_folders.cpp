#include "shell/base/shell_folders.h"

#include <cstring>

void FreeItemList(LPITEMIDLIST itemList) {
  IMalloc* allocator = nullptr;
  if (SHGetMalloc(&allocator) == S_OK && allocator != nullptr) {
    allocator->Free(itemList);
    allocator->Release();
  }
}

bool SpecialFolderPath(int csidl, PathBuffer& path) {
  std::memset(path, 0, PathBufferSize);
  LPITEMIDLIST items = nullptr;
  if (SHGetSpecialFolderLocation(Setup.MainWindow, csidl, &items) != S_OK || items == nullptr) {
    return false;
  }
  const BOOL found = SHGetPathFromIDListA(items, path);
  FreeItemList(items);
  path[PathBufferSize - 1] = '\0';
  if (!found) path[0] = '\0';
  return path[0] != '\0';
}
