// The records of an install journal as lines, oldest first, for comparing what
// was recorded with what a test expects: "directory PATH", "file PATH",
// "key PATH", "added PATH NAME", "replaced PATH NAME".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/base/install_journal.h"

namespace test_support {

inline std::vector<std::string> JournalLines(const InstallJournal& journal) {
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < journal.Count(); ++i) {
    const JournalRecord record = journal.Record(i);
    switch (record.kind) {
      case JournalKind::Directory:
        lines.push_back("directory " + std::string(record.path));
        break;
      case JournalKind::File:
        lines.push_back("file " + std::string(record.path));
        break;
      case JournalKind::RegistryKey:
        lines.push_back("key " + std::string(record.path));
        break;
      case JournalKind::AddedValue:
        lines.push_back("added " + std::string(record.path) + " " + record.valueName);
        break;
      case JournalKind::ReplacedValue:
        lines.push_back("replaced " + std::string(record.path) + " " + record.valueName);
        break;
    }
  }
  return lines;
}

}  // namespace test_support
