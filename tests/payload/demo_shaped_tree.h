// The demo product's tree for engine tests: every directory and file of the demo
// layout, in entry order and with its kind of content, each file 1/divisor of the size
// the demo generator plans for it (programs of typical sizes), so that a test decodes
// the payload's shape in a fraction of its time.
#pragma once

#include <cstdint>
#include <vector>

#include "payload/archive_writer.h"

namespace archive_test {

std::vector<MemoryItem> DemoShapedTree(uint32_t divisor);

}  // namespace archive_test
