#include "payload/stdio_target.h"

#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <direct.h>
#endif

namespace {
#ifdef _WIN32
constexpr char HostSeparator = '\\';
#else
constexpr char HostSeparator = '/';
#endif
}  // namespace

StdioExtractTarget::StdioExtractTarget(const char* destination) : destination_(destination) {
  while (destination_.size() > 1 &&
         (destination_.back() == '/' || destination_.back() == HostSeparator))
    destination_.pop_back();
}

StdioExtractTarget::~StdioExtractTarget() { CloseFile(); }

std::string StdioExtractTarget::HostPath(const char* relativePath) const {
  std::string path = destination_;
  path += HostSeparator;
  for (const char* p = relativePath; *p != 0; ++p) path += (*p == '\\') ? HostSeparator : *p;
  return path;
}

void StdioExtractTarget::CreateDirectory(const char* relativePath) {
  const std::string path = HostPath(relativePath);
#ifdef _WIN32
  _mkdir(path.c_str());
#else
  mkdir(path.c_str(), 0777);
#endif
}

bool StdioExtractTarget::OpenFile(const char* relativePath) {
  CloseFile();
  file_ = std::fopen(HostPath(relativePath).c_str(), "wb");
  if (file_ == nullptr) return false;
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return true;
}

bool StdioExtractTarget::Write(const uint8_t* data, uint32_t length, uint32_t* written) {
  if (file_ == nullptr) {
    *written = 0;
    return false;
  }
  const size_t done = length == 0 ? 0 : std::fwrite(data, 1, length, file_);
  *written = static_cast<uint32_t>(done);
  return done == length;
}

void StdioExtractTarget::CloseFile() {
  if (file_ == nullptr) return;
  if (std::fclose(file_) != 0) ++closeFailures_;
  file_ = nullptr;
}
