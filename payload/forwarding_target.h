// ForwardingTarget: an extraction target that hands every call, Finish included,
// to another target. A target that changes a few calls (records what they
// create, refuses writes past a size) derives from it and overrides only those.
#pragma once

#include <cstdint>

#include "payload/extract_target.h"

class ForwardingTarget : public ExtractTarget {
 public:
  explicit ForwardingTarget(ExtractTarget& inner) : inner_(inner) {}

  void CreateDirectory(const char* relativePath) override {
    inner_.CreateDirectory(relativePath);
  }
  bool OpenFile(const char* relativePath) override { return inner_.OpenFile(relativePath); }
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    return inner_.Write(data, length, written);
  }
  void CloseFile() override { inner_.CloseFile(); }
  void InstallListLine(const char* line, uint32_t length) override {
    inner_.InstallListLine(line, length);
  }
  void Repaint() override { inner_.Repaint(); }
  void Progress(int32_t percent) override { inner_.Progress(percent); }
  LateFailures Finish() override { return inner_.Finish(); }

 private:
  ExtractTarget& inner_;
};
