// An output file that appears only when it is complete: it is written as
// "PATH.part" and renamed over PATH by Commit. Without a commit (any failure)
// the part file is removed; whatever stood at PATH before is never touched.
// A PATH that exists and is not a regular file (a device, a directory) is refused.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Open(const char* path, std::string* error);
  std::FILE* Stream() const { return file_; }
  // Closes the part file and renames it over the path.
  bool Commit(std::string* error);

 private:
  void Discard();

  std::string path_;
  std::string partPath_;
  std::FILE* file_ = nullptr;
};
