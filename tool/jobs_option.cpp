#include "tool/jobs_option.h"

#include <cstdio>
#include <cstring>

#include "payload/worker_count.h"

bool TakeJobsOption(const char* command, int* argc, char** argv, unsigned* jobs) {
  *jobs = WorkerCount(0);
  int kept = 0;
  for (int i = 0; i < *argc; ++i) {
    if (std::strcmp(argv[i], "--jobs") != 0) {
      argv[kept++] = argv[i];
      continue;
    }
    const char* text = i + 1 < *argc ? argv[++i] : "";
    unsigned value = 0;
    size_t digits = 0;
    for (; text[digits] >= '0' && text[digits] <= '9' && digits < 4; ++digits) {
      value = value * 10 + static_cast<unsigned>(text[digits] - '0');
    }
    if (digits == 0 || digits > 3 || text[digits] != 0 || value == 0) {
      std::fprintf(stderr, "exar %s: --jobs takes a number of threads from 1 to 999\n", command);
      return false;
    }
    *jobs = WorkerCount(value);
  }
  *argc = kept;
  return true;
}
