// pe-check: checks that Windows programs can load on an older Windows.
//
//   pe-check --exports LIST --highest-version MAJOR.MINOR FILE...
//
// For each FILE (a PE image) it prints what keeps it from loading where LIST is what
// the system's DLLs export and MAJOR.MINOR its version (see load_check.h), or one line
// saying it loads. Exit code 0 when every file loads, 1 when one does not or cannot be
// read, 2 for wrong usage.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pecheck/load_check.h"
#include "pecheck/pe_image.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: pe-check --exports LIST --highest-version MAJOR.MINOR FILE...\n");
  return 2;
}

bool ReadFile(const char* path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool ParseVersion(const char* text, PeVersion* version) {
  unsigned major = 0;
  unsigned minor = 0;
  char end = 0;
  if (std::sscanf(text, "%u.%u%c", &major, &minor, &end) != 2) return false;
  if (major > 0xffff || minor > 0xffff) return false;
  *version = {static_cast<uint16_t>(major), static_cast<uint16_t>(minor)};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* listPath = nullptr;
  PeVersion highest;
  bool haveVersion = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--exports") == 0 && i + 1 < argc) {
      listPath = argv[++i];
    } else if (std::strcmp(argv[i], "--highest-version") == 0 && i + 1 < argc) {
      if (!ParseVersion(argv[++i], &highest)) return Usage();
      haveVersion = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || argv[i][0] == '-') {
      return Usage();
    } else {
      files.push_back(argv[i]);
    }
  }
  if (listPath == nullptr || !haveVersion || files.empty()) return Usage();

  std::vector<uint8_t> listBytes;
  if (!ReadFile(listPath, &listBytes)) {
    std::fprintf(stderr, "pe-check: cannot read %s\n", listPath);
    return 1;
  }
  ExportList exports;
  std::string error;
  if (!exports.Parse(std::string(listBytes.begin(), listBytes.end()), &error)) {
    std::fprintf(stderr, "pe-check: %s: %s\n", listPath, error.c_str());
    return 1;
  }

  int failed = 0;
  for (const char* path : files) {
    std::vector<uint8_t> bytes;
    PeImage image;
    if (!ReadFile(path, &bytes)) {
      std::printf("%s: cannot be read\n", path);
      ++failed;
      continue;
    }
    if (!ReadPeImage(bytes.data(), bytes.size(), &image, &error)) {
      std::printf("%s: not a well-formed PE image: %s\n", path, error.c_str());
      ++failed;
      continue;
    }
    const std::vector<std::string> problems = LoadProblems(image, exports, highest);
    for (const std::string& problem : problems) std::printf("%s: %s\n", path, problem.c_str());
    if (!problems.empty()) {
      ++failed;
      continue;
    }
    std::printf("%s: loads (%zu imports, all listed; OS version %u.%u, subsystem version %u.%u)\n",
                path, image.imports.size(), image.osVersion.major, image.osVersion.minor,
                image.subsystemVersion.major, image.subsystemVersion.minor);
  }
  std::printf("%zu checked against %s (%zu exports, version %u.%u): %d cannot load\n",
              files.size(), listPath, exports.size(), highest.major, highest.minor, failed);
  return failed == 0 ? 0 : 1;
}
