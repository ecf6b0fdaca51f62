// Opening the archive a command works on: mapped in place, then checked. A
// file that cannot be mapped or an archive the check refuses is reported on
// stderr as "exar COMMAND: ..." and the command ends with exit code 1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload/archive_check.h"
#include "tool/mapped_file.h"

// A check of the whole archive (CheckArchive, CheckArchiveLayout or more).
using ArchiveCheck = bool (*)(const uint8_t* archive, size_t size, ArchiveProblem* problem);

// Maps path into file and runs check over it. False after the message.
bool OpenCheckedArchive(const char* command, const char* path, ArchiveCheck check,
                        MappedFile* file);

// The message for an archive found damaged: "exar COMMAND: PATH: damaged archive: ...".
void ReportDamagedArchive(const char* command, const char* path, const ArchiveProblem& problem);
