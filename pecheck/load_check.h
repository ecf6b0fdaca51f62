// Whether a PE image can load on an older Windows: every function it imports must be
// exported there by name, and the version fields of its optional header must not ask
// for a later system. The exports come from a list file ("DLL FUNCTION" a line, see
// ExportList::Parse), such as xp_sp3_exports.txt beside this file.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pecheck/pe_image.h"

class ExportList {
 public:
  // One export a line: the DLL's file name and the function's name, separated by
  // spaces or tabs; a '#' starts a note that runs to the end of the line, and lines
  // with nothing else are skipped. DLL names compare without regard to case, function
  // names exactly. Returns false, with "line N: ..." in *error, for any other line or
  // an export listed twice.
  bool Parse(const std::string& text, std::string* error);
  bool Has(const std::string& dll, const std::string& function) const;
  size_t size() const { return entries_.size(); }

 private:
  std::set<std::pair<std::string, std::string>> entries_;  // lower-cased DLL, function
};

// Everything that keeps the image from loading where exports is what the DLLs export
// and highest is the system's version: imports not listed, imports by ordinal (the
// list names functions; an ordinal says nothing checkable), a delay-load import table
// (not read), and an OS or subsystem version above highest. Empty when it loads.
std::vector<std::string> LoadProblems(const PeImage& image, const ExportList& exports,
                                      PeVersion highest);
