#include "tool/command_line.h"

#include <cstdio>
#include <cstring>

#include "tool/jobs_option.h"

namespace {

// True when argv holds -h or --help.
bool WantsHelp(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  }
  return false;
}

}  // namespace

int RunCommand(const ExarCommand& command, int argc, char** argv) {
  if (WantsHelp(argc, argv)) {
    std::fputs(command.usage, stdout);
    return ExitSuccess;
  }
  unsigned jobs = 1;
  if (command.takesJobs && !TakeJobsOption(command.name, &argc, argv, &jobs)) return ExitUsage;
  if (!command.accepts(argc, argv)) {
    std::fputs(command.usage, stderr);
    return ExitUsage;
  }
  return command.run(argc, argv, jobs);
}

bool TakesOneArgument(int argc, char**) { return argc == 1; }
bool TakesTwoArguments(int argc, char**) { return argc == 2; }
