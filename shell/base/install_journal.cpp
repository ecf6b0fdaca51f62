#include "shell/base/install_journal.h"

#include <cstring>

InstallJournal RunJournal;

bool InstallJournal::RecordFile(const char* path) {
  return Add(JournalKind::File, path, "", 0, nullptr, 0);
}

bool InstallJournal::RecordDirectory(const char* path) {
  return Add(JournalKind::Directory, path, "", 0, nullptr, 0);
}

bool InstallJournal::RecordKey(const char* keyPath) {
  return Add(JournalKind::RegistryKey, keyPath, "", 0, nullptr, 0);
}

bool InstallJournal::RecordAddedValue(const char* keyPath, const char* name) {
  return Add(JournalKind::AddedValue, keyPath, name, 0, nullptr, 0);
}

bool InstallJournal::RecordReplacedValue(const char* keyPath, const char* name, uint32_t type,
                                         const uint8_t* data, uint32_t size) {
  return Add(JournalKind::ReplacedValue, keyPath, name, type, data, size);
}

JournalRecord InstallJournal::Record(uint32_t index) const {
  if (index >= count_) return JournalRecord{JournalKind::File, "", "", 0, nullptr, 0};
  const Entry& entry = entries_[index];
  JournalRecord record;
  record.kind = entry.kind;
  record.path = text_ + entry.path;
  record.valueName = text_ + entry.name;
  record.previousType = entry.type;
  record.previousData = reinterpret_cast<const uint8_t*>(text_ + entry.data);
  record.previousSize = entry.size;
  return record;
}

void InstallJournal::Clear() {
  count_ = 0;
  used_ = 0;
  dropped_ = 0;
}

// The texts go one after the other: path and name with their terminators, then the
// previous data as they are.
bool InstallJournal::Add(JournalKind kind, const char* path, const char* name, uint32_t type,
                         const uint8_t* data, uint32_t size) {
  const size_t pathBytes = std::strlen(path) + 1;
  const size_t nameBytes = std::strlen(name) + 1;
  const size_t room = TextCapacity - used_;
  if (count_ == MaxRecords || pathBytes > room || nameBytes > room - pathBytes ||
      size > room - pathBytes - nameBytes) {
    ++dropped_;
    return false;
  }
  Entry& entry = entries_[count_];
  entry.kind = kind;
  entry.type = type;
  entry.size = size;
  entry.path = used_;
  std::memcpy(text_ + used_, path, pathBytes);
  used_ += static_cast<uint32_t>(pathBytes);
  entry.name = used_;
  std::memcpy(text_ + used_, name, nameBytes);
  used_ += static_cast<uint32_t>(nameBytes);
  entry.data = used_;
  if (size != 0) std::memcpy(text_ + used_, data, size);
  used_ += size;
  ++count_;
  return true;
}
