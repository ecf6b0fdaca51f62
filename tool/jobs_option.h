// The --jobs N option of pack, verify and extract: how many threads encode or decode.
// TakeJobsOption removes "--jobs N" from the arguments wherever it stands and sets
// *jobs to WorkerCount(N) (N from 1 to 999, at most MaxWorkers threads; without the
// option one per processor). False, with a message naming the command, for a missing
// or bad N.
#pragma once

bool TakeJobsOption(const char* command, int* argc, char** argv, unsigned* jobs);
