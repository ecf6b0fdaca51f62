// exar: builds, inspects, verifies and extracts payload archives, and encodes
// and decodes raw LZHUF streams.
#include <cstdio>
#include <cstring>

#include "tool/commands.h"

namespace {

const char Usage[] =
    "usage: exar COMMAND ...\n"
    "\n"
    "  exar pack DIR OUT            build an archive from the tree below DIR\n"
    "  exar list ARCHIVE            list entries: kind, sizes, ratio, path\n"
    "  exar verify ARCHIVE          check structure and decode every stream\n"
    "  exar extract ARCHIVE DIR     extract every entry into DIR\n"
    "  (pack, verify and extract take --jobs N: threads at work, default one per\n"
    "  processor)\n"
    "  exar lzh encode IN OUT       encode IN into one raw stream\n"
    "  exar lzh decode SIZE IN OUT  decode a raw stream of SIZE bytes\n"
    "\n"
    "Every command takes --help. Exit codes: 0 success, 1 damaged input or failed\n"
    "operation, 2 wrong usage.\n";

const ExarCommand* const Commands[] = {&PackCommand, &ListCommand, &VerifyCommand,
                                       &ExtractCommand, &LzhCommand};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(Usage, stderr);
    return ExitUsage;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0 ||
      std::strcmp(command, "help") == 0) {
    std::fputs(Usage, stdout);
    return ExitSuccess;
  }
  for (const ExarCommand* known : Commands) {
    if (std::strcmp(command, known->name) == 0) return RunCommand(*known, argc - 2, argv + 2);
  }
  std::fprintf(stderr, "exar: unknown command \"%s\"\n\n%s", command, Usage);
  return ExitUsage;
}
