// The texts of the destination page: its message boxes and the destination
// composed from a browsed folder. Every text is built into a caller's buffer
// of the stated size and is always terminated; the buffers are sized so that
// a path of the longest possible length (1024 characters) fits whole.
#pragma once

#include <cstddef>

// Size of every message text buffer of the page: the longest fixed text with
// a full path buffer in it.
constexpr size_t DestinationMessageSize = 1025 + 128;

// "Folder\n\n<path>\n\ndoes not exist.\nWould you like to create new?"
void FormatCreateQuestion(const char* path, char* out, size_t size);

// "It is impossible to create directory \n\n<path>\n\nPlease try another path."
void FormatCreateFailure(const char* path, char* out, size_t size);

// "Unable to install to \"<path>\"\n"
void FormatUnableToInstall(const char* path, char* out, size_t size);

// Removes the one trailing backslash of a drive root ("C:\" -> "C:"), so
// that a file name or the product folder can be appended with one backslash.
// Any path that ends in a backslash loses that backslash; others are kept.
void DropTrailingBackslash(char* path);

// The destination for a browsed folder: "<folder>\Umberlay Vale (Demo)".
// Returns false, with out emptied, when the result would not fit in size
// bytes (a path buffer holds 1024 characters).
bool ComposeBrowsedDestination(const char* folder, char* out, size_t size);

// The probe file that tells whether a folder takes files:
// "<folder>\check.fil", or for attempt n > 0 "<folder>\check<n>.fil".
// Returns false, with out emptied, when it would not fit.
bool ComposeProbePath(const char* folder, int attempt, char* out, size_t size);
