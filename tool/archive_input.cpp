#include "tool/archive_input.h"

#include <cstdio>
#include <string>

bool OpenCheckedArchive(const char* command, const char* path, ArchiveCheck check,
                        MappedFile* file) {
  std::string error;
  if (!file->Open(path, &error)) {
    std::fprintf(stderr, "exar %s: %s\n", command, error.c_str());
    return false;
  }
  ArchiveProblem problem;
  if (!check(file->Data(), file->Size(), &problem)) {
    ReportDamagedArchive(command, path, problem);
    return false;
  }
  return true;
}

void ReportDamagedArchive(const char* command, const char* path, const ArchiveProblem& problem) {
  std::fprintf(stderr, "exar %s: %s: damaged archive: %s\n", command, path, problem.message);
}
