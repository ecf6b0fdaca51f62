// The extraction engine: writes every directory and file of a payload archive
// through an ExtractTarget, decoding each file's stream into 128 KiB chunks
// (FileDecoder) and reporting progress after every successful write as
// bytes written * 95 / PayloadTotalBytes.
//
// ExtractArchive validates the whole archive against its size first
// (CheckArchive): a damaged archive gets no call on the target at all and is
// reported as damaged. It then walks the entries in order: a directory is
// created, a file is created, decoded and written; after each entry one
// install-list line goes to the target, and after the entries whose index has
// bit 4 set (4-7, 12-15, ...) the target repaints. A file that cannot be
// created is skipped; once a write of a file fails, that file gets no
// further write and its decoding stops; the walk goes on. Both count in
// failedFiles. After the last entry the target's Finish adds what it found to
// fail late.
//
// A file whose entry carries a checksum (archive_format.h) is checked as it is
// decoded: when it ends with another size or CRC-32 than its entry says, its last
// chunk is not written, the file is closed, the walk stops there (no install-list
// line for it, nothing after it) and the archive is reported damaged. Files
// without a checksum are written as decoded.
//
// A chunk is written when a byte arrives and finds its buffer full, and once at
// the end of each file (also with 0 bytes): a file of exactly 131,072 bytes is
// one write, one of 131,073 bytes two. A target may go on reading the data of
// one write until its next write returns (QueuedTarget does).
//
// Files are decoded by `workers` threads ahead of the walk (DecodeAhead), in
// entry order, into a pool of `poolBuffers` buffers; the calling thread makes
// every call on the target, the same calls in the same order whatever the
// number of workers. With one worker (or when no thread or pool can be had) the
// calling thread decodes each file itself. One extraction per call; the engine
// keeps no state between calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "payload/archive_reader.h"
#include "payload/extract_target.h"
#include "payload/file_decoder.h"

// The bytes the payload decodes to as far as the progress is concerned (the
// demo product's tree is planned around it), and the size of each write.
constexpr uint64_t PayloadTotalBytes = 89953485;

struct ExtractOptions {
  unsigned workers = 0;      // 0: WorkerCount(0), one per processor; 1: no thread
  uint32_t poolBuffers = 0;  // 0: DefaultPoolBuffers(workers)
};

// Buffers shared by `workers` decoding threads: 8 MiB a worker, at most 16 MiB. While
// one worker decodes a large file the others decode the files after it only as far as
// the pool reaches: on the demo payload (a file of 18.9 MB among others of several)
// two workers gained 1.46x one worker's speed with 4 MiB, 1.69x with 8 and 1.86x with
// 16 MiB, and no more with 32.
uint32_t DefaultPoolBuffers(unsigned workers);

// The percentage reported after bytesWritten bytes: bytesWritten * 95 /
// PayloadTotalBytes, rounded down, in 64-bit arithmetic. The payload's own
// bytes stay within 0..95; 90,900,364 bytes or more report 96 and beyond.
int32_t ExtractionPercent(uint64_t bytesWritten);

struct ExtractReport {
  int32_t result;        // 0 after the walk, -1 when the archive is missing or damaged
  bool damaged;          // validation refused the archive (nothing was written), or a
                         // file failed its checksum (the walk stopped after it)
  char problem[256];     // the reason when result is -1
  uint32_t failedFiles;  // files that could not be created or fully written
  uint32_t filesWritten;
  uint64_t bytesWritten;
  uint64_t bytesDecoded;  // decoded, also for files given up (no more than the pool's worth each)
  unsigned workers;       // decoding threads that ran; 0 when the walk decoded itself
};

int32_t ExtractArchive(const uint8_t* archive, size_t archiveSize, ExtractTarget& target,
                       ExtractReport* report, const ExtractOptions& options = ExtractOptions());

// The walk over an open reader, for an archive that CheckArchive accepted. Returns 0,
// or -1 for a null or closed reader, and for a file that failed its checksum. Fills
// the counts of report when given.
int32_t ExtractEntries(const ArchiveReader* reader, ExtractTarget& target,
                       const ExtractOptions& options = ExtractOptions(),
                       ExtractReport* report = nullptr);
