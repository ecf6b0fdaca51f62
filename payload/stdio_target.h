// StdioExtractTarget: the portable extraction target over C stdio, used by
// exar on every platform. Entry paths are resolved against a destination
// directory (which must exist); on POSIX their backslashes become slashes.
// Files are written unbuffered, so each engine write is one write of the
// platform. Install-list lines are dropped (the archive carries its own
// list file); repaint and progress do nothing unless a subclass wants them.
#pragma once

#include <cstdio>
#include <string>

#include "payload/extract_target.h"

class StdioExtractTarget : public ExtractTarget {
 public:
  explicit StdioExtractTarget(const char* destination);
  ~StdioExtractTarget() override;

  void CreateDirectory(const char* relativePath) override;
  bool OpenFile(const char* relativePath) override;
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
  void CloseFile() override;
  void InstallListLine(const char*, uint32_t) override {}
  void Repaint() override {}
  void Progress(int32_t) override {}

  // Files whose close failed (their last bytes may be lost).
  uint32_t CloseFailures() const { return closeFailures_; }
  // The host path of an entry path.
  std::string HostPath(const char* relativePath) const;

 private:
  std::string destination_;
  std::FILE* file_ = nullptr;
  uint32_t closeFailures_ = 0;
};
