// OutputBuffers: a fixed set of OutputBufferSize buffers in one allocation, for the
// engine's decoded output. Allocate reports failure (no memory, or a count outside
// 1..MaxOutputBuffers) by returning false, never by throwing. Buffers are numbered
// 0..Count()-1; IndexOf maps a buffer's address back to its number. Pages are
// touched only when written, so buffers never used cost no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "payload/file_decoder.h"

// 128 MiB: far more than any extraction wants, and an allocation a 32-bit process can
// still hope to get.
constexpr uint32_t MaxOutputBuffers = 1024;

class OutputBuffers {
 public:
  bool Allocate(uint32_t count);
  uint32_t Count() const { return count_; }
  uint8_t* Buffer(uint32_t index) const {
    return memory_.get() + static_cast<size_t>(index) * OutputBufferSize;
  }
  uint32_t IndexOf(const uint8_t* buffer) const {
    return static_cast<uint32_t>(static_cast<size_t>(buffer - memory_.get()) / OutputBufferSize);
  }

 private:
  std::unique_ptr<uint8_t[]> memory_;
  uint32_t count_ = 0;
};
