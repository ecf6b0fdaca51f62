#include "tool/mapped_file.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
const uint8_t EmptyView[1] = {0};
}

MappedFile::~MappedFile() { Close(); }

#ifdef _WIN32

bool MappedFile::Open(const char* path, std::string* error) {
  Close();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = std::string(path) + ": cannot open (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    *error = std::string(path) + ": cannot read its size";
    CloseHandle(file);
    return false;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > static_cast<size_t>(-1)) {
    *error = std::string(path) + ": too large to map";
    CloseHandle(file);
    return false;
  }
  if (size.QuadPart == 0) {
    CloseHandle(file);
    data_ = EmptyView;
    size_ = 0;
    return true;
  }
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (mapping == nullptr) {
    *error = std::string(path) + ": cannot map (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) {
    *error = std::string(path) + ": cannot map (error " + std::to_string(GetLastError()) + ")";
    CloseHandle(mapping);
    return false;
  }
  mapping_ = mapping;
  data_ = static_cast<const uint8_t*>(view);
  size_ = static_cast<size_t>(size.QuadPart);
  mapped_ = true;
  return true;
}

void MappedFile::Close() {
  if (mapped_) {
    UnmapViewOfFile(data_);
    CloseHandle(static_cast<HANDLE>(mapping_));
  }
  mapping_ = nullptr;
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}

#else

bool MappedFile::Open(const char* path, std::string* error) {
  Close();
  int fd = ::open(path, O_RDONLY);
  if (fd < 0) {
    *error = std::string(path) + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = std::string(path) + ": not a regular file";
    ::close(fd);
    return false;
  }
  if (st.st_size == 0) {
    ::close(fd);
    data_ = EmptyView;
    size_ = 0;
    return true;
  }
  void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  const int mapError = errno;
  ::close(fd);
  if (view == MAP_FAILED) {
    *error = std::string(path) + ": cannot map: " + std::strerror(mapError);
    return false;
  }
  // The archive is read front to back; let the kernel read ahead and drop
  // pages behind.
  madvise(view, static_cast<size_t>(st.st_size), MADV_SEQUENTIAL);
  data_ = static_cast<const uint8_t*>(view);
  size_ = static_cast<size_t>(st.st_size);
  mapped_ = true;
  return true;
}

void MappedFile::Close() {
  if (mapped_) munmap(const_cast<uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}

#endif
