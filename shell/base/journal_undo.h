// Taking back what a journal recorded, newest first: shortcut files and the folders
// made for them, registry values and keys, extracted files and directories, and last
// the destination's own levels. Containers go only when empty, so a directory or key
// holding anything the run did not write stays, and so do its parents.
//
// UndoActions carries out one step on a system; each action answers whether it took
// the thing away. UndoJournal goes on after a step that fails.
#pragma once

#include <cstdint>

#include "shell/base/install_journal.h"

class UndoActions {
 public:
  virtual ~UndoActions() = default;
  virtual bool RemoveFile(const char* path) = 0;
  // Refused for a directory that is not empty.
  virtual bool RemoveEmptyDirectory(const char* path) = 0;
  // Refused for a key that holds a value or a subkey.
  virtual bool RemoveEmptyKey(const char* keyPath) = 0;
  virtual bool DeleteValue(const char* keyPath, const char* name) = 0;
  virtual bool RestoreValue(const char* keyPath, const char* name, uint32_t type,
                            const uint8_t* data, uint32_t size) = 0;
};

struct UndoSummary {
  uint32_t undone;  // records whose action succeeded
  uint32_t left;    // records whose action failed or was refused
};

UndoSummary UndoJournal(const InstallJournal& journal, UndoActions& actions);
