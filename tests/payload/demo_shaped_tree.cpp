#include "tests/payload/demo_shaped_tree.h"

#include <gtest/gtest.h>

#include <string>

#include "demo/generator/content.h"
#include "demo/generator/size_plan.h"
#include "demo/generator/tree_layout.h"
#include "tests/payload/archive_test_support.h"

namespace archive_test {

std::vector<MemoryItem> DemoShapedTree(uint32_t divisor) {
  const std::vector<demo::Entry> layout = demo::BuildLayout();
  demo::InputSizes inputs;
  inputs.vale = 170000;
  inputs.config = 95000;
  inputs.sweeper = 140000;
  inputs.readme = 1414;
  inputs.settings = 200;
  std::vector<uint64_t> sizes;
  std::string problem;
  EXPECT_TRUE(demo::PlanSizes(layout, inputs, &sizes, &problem)) << problem;
  std::vector<MemoryItem> tree;
  for (size_t i = 0; i < layout.size() && i < sizes.size(); ++i) {
    const demo::Entry& e = layout[i];
    if (e.directory) {
      tree.push_back(Dir(e.path));
      continue;
    }
    const uint32_t size = static_cast<uint32_t>(sizes[i] / divisor);
    std::vector<uint8_t> data;
    // Each file's contents drawn from its place in the layout.
    demo::Synthesize(e.kind, i + 1, size, data);
    if (e.kind == demo::Kind::Program) data = MakeData(size, static_cast<uint32_t>(i));
    tree.push_back(File(e.path, std::move(data)));
  }
  return tree;
}

}  // namespace archive_test
