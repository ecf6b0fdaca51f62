#include "tool/output_file.h"

#include <filesystem>
#include <system_error>

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const char* path, std::string* error) {
  Discard();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    *error = std::string(path) + ": exists and is not a regular file";
    return false;
  }
  path_ = path;
  partPath_ = path_ + ".part";
  file_ = std::fopen(partPath_.c_str(), "wb");
  if (file_ == nullptr) {
    *error = partPath_ + ": cannot create";
    partPath_.clear();
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string* error) {
  if (file_ == nullptr) {
    *error = path_ + ": not open";
    return false;
  }
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed) {
    *error = path_ + ": write error";
    Discard();
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(partPath_, path_, ec);  // replaces an existing file
  if (ec) {
    *error = path_ + ": " + ec.message();
    Discard();
    return false;
  }
  partPath_.clear();
  return true;
}

void OutputFile::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!partPath_.empty()) {
    std::remove(partPath_.c_str());
    partPath_.clear();
  }
}
