// A read-only view of a whole file, mapped rather than read (mmap on POSIX,
// MapViewOfFile on Windows), so that an archive is never copied into memory:
// only the pages that are touched become resident. An empty file gives an
// empty view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the file; on failure fills error and leaves the view empty.
  bool Open(const char* path, std::string* error);
  void Close();

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
#ifdef _WIN32
  void* mapping_ = nullptr;
#endif
};
