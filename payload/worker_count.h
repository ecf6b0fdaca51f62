// How many threads decode or encode at once: as many as the machine runs at once, at
// most MaxWorkers. Beyond that the files' writing, not their decoding, bounds an
// extraction, and every worker costs memory (its decoder, its share of the buffers).
#pragma once

constexpr unsigned MaxWorkers = 8;

// requested 0: one per processor; otherwise requested, at most MaxWorkers.
unsigned WorkerCount(unsigned requested);
