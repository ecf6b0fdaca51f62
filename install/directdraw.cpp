#include <windows.h>

#include "install/install_sequence.h"

// Only the presence of the library is tested: nothing is created from it.
bool HasDirectDraw() {
  HMODULE library = LoadLibraryA("DDRAW.DLL");
  if (library == nullptr) return false;
  FreeLibrary(library);
  return true;
}
