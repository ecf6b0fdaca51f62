// InstallJournal: what one run of the setup created, in the order it happened, so
// that a failed installation can be taken back newest first (journal_undo.h).
//
// Only creations are recorded, each decided at the moment it happened: a file or a
// directory that was not there before the call that made it, a registry key that the
// call made, a registry value that was not there (added), and a value that was
// replaced, with its previous type and data. A file that was there and was overwritten
// is not recorded: an undo never removes it.
//
// The store is fixed: MaxRecords records and TextCapacity bytes for their texts (paths,
// key and value names, previous data). A record that does not fit is dropped and
// counted; the installation goes on, and what that record names stays after an undo,
// like anything else the run did not record. A full journal can therefore leave some
// of the run's work behind, never take away anything the run did not make.
//
// Not locked: one thread records at a time. The setup's file thread records while the
// extraction runs; the install sequence reads the journal once the extraction has
// finished (the target's Finish hands the file thread's records over).
#pragma once

#include <cstdint>

enum class JournalKind : uint8_t {
  File,           // a file this run created
  Directory,      // a directory this run created
  RegistryKey,    // a key below HKEY_LOCAL_MACHINE this run created
  AddedValue,     // a value this run added to a key
  ReplacedValue,  // a value this run replaced; its previous type and data are kept
};

// One record as stored. Texts point into the journal and stay valid until it is
// cleared.
struct JournalRecord {
  JournalKind kind;
  const char* path;              // the file or directory, or the key's path below the root
  const char* valueName;         // values only; "" otherwise
  uint32_t previousType;         // ReplacedValue only
  const uint8_t* previousData;   // ReplacedValue only
  uint32_t previousSize;
};

class InstallJournal {
 public:
  static constexpr uint32_t MaxRecords = 1024;
  static constexpr uint32_t TextCapacity = 256 * 1024;

  // Each returns false when the record did not fit and was dropped.
  bool RecordFile(const char* path);
  bool RecordDirectory(const char* path);
  bool RecordKey(const char* keyPath);
  bool RecordAddedValue(const char* keyPath, const char* name);
  bool RecordReplacedValue(const char* keyPath, const char* name, uint32_t type,
                           const uint8_t* data, uint32_t size);
  // A change that could not be recorded at all (a path that could not be resolved,
  // a previous value that could not be read): counted like a dropped record.
  void CountDropped() { ++dropped_; }

  uint32_t Count() const { return count_; }
  JournalRecord Record(uint32_t index) const;  // 0 is the oldest; past Count(): empty texts
  uint32_t Dropped() const { return dropped_; }
  void Clear();

 private:
  struct Entry {
    JournalKind kind;
    uint32_t path;  // offsets into text_
    uint32_t name;
    uint32_t data;
    uint32_t size;
    uint32_t type;
  };
  bool Add(JournalKind kind, const char* path, const char* name, uint32_t type,
           const uint8_t* data, uint32_t size);

  Entry entries_[MaxRecords] = {};
  char text_[TextCapacity] = {};
  uint32_t count_ = 0;
  uint32_t used_ = 0;
  uint32_t dropped_ = 0;
};

// The journal of this run of the setup: the destination page, the extraction, the
// registry records and the shortcuts record into it.
extern InstallJournal RunJournal;
