#include "payload/output_buffers.h"

#include <new>

bool OutputBuffers::Allocate(uint32_t count) {
  memory_.reset();
  count_ = 0;
  if (count == 0 || count > MaxOutputBuffers) return false;
  memory_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(count) * OutputBufferSize]);
  if (memory_ == nullptr) return false;
  count_ = count;
  return true;
}
