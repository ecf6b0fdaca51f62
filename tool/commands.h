// The commands of exar. Each takes the arguments after its own name and
// returns the process exit code: 0 success, 1 damaged input or a failed
// operation, 2 wrong usage. Messages go to stderr, results to stdout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "payload/archive_check.h"

enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

int CommandPack(int argc, char** argv);
int CommandList(int argc, char** argv);
int CommandVerify(int argc, char** argv);
int CommandExtract(int argc, char** argv);
int CommandLzh(int argc, char** argv);

// True when argv holds -h or --help.
bool WantsHelp(int argc, char** argv);

// Builds an archive at `output` from the tree below `directory`: paths
// relative to it, backslash-separated and upper-cased (ASCII letters), files
// encoded by `jobs` threads (the archive is the same for any number).
// Fills error on failure; the output appears only when complete (see OutputFile).
struct PackSummary {
  uint32_t directories;
  uint32_t files;
  uint64_t inputBytes;
  uint64_t archiveBytes;
};
bool PackTree(const char* directory, const char* output, unsigned jobs, PackSummary* summary,
              std::string* error);

// Checks structure and layout (CheckArchiveLayout) and decodes every stream in
// memory, on `jobs` threads: each must yield exactly its UncompressedSize and use
// exactly its CompressedSize bytes. The problem named is that of the first damaged
// entry, whatever the number of threads.
bool VerifyArchive(const uint8_t* archive, size_t size, unsigned jobs, ArchiveProblem* problem);

// Writes a whole file (through OutputFile); fills error on failure.
bool WriteWholeFile(const char* path, const uint8_t* data, size_t size, std::string* error);
