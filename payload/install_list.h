// The install list: one line per archive entry, in entry order, "!PATH\r\n"
// for a directory and "PATH\r\n" for a file. The extraction engine hands each
// line to its target; the product's own list file ("UMBERLAY VALE.UNS", which
// its uninstaller reads) is written in the same format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What begins a directory's line, and what ends every line.
constexpr char InstallListDirectoryMark = '!';
constexpr char InstallListLineEnd[] = "\r\n";

// Writes the line of one entry into out (size bytes, at least 1), always
// terminated, and returns its length without the terminator. A line that
// would not fit is cut at the buffer (one of a checked path never is: see
// archive_format::LineBufferSize).
uint32_t FormatInstallListLine(std::string_view path, bool directory, char* out, size_t size);

// The same line as a string.
std::string InstallListLine(std::string_view path, bool directory);
