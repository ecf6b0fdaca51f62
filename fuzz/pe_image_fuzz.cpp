// Fuzzes the PE reader of pe-check and the load check over what it read. Whatever the
// bytes, the reader stays inside them; an accepted image has named imports with a DLL
// and a name, and ordinals without a name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pecheck/load_check.h"
#include "pecheck/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PeImage image;
  std::string error;
  if (!ReadPeImage(data, size, &image, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const PeImport& import : image.imports) {
    if (import.dll.empty() || import.function.empty() != import.byOrdinal) std::abort();
  }
  static const ExportList none;
  const std::vector<std::string> problems = LoadProblems(image, none, PeVersion{5, 1});
  if (problems.size() < image.imports.size()) std::abort();
  return 0;
}
