// Writes the demo product's tree into a directory: every directory of the
// layout, the built programs, readme and settings copied from the given
// paths, the list file, the version note, and synthesized contents for all other files, with the sizes
// chosen by the size plan. The same inputs give the same tree, byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "size_plan.h"
#include "tree_layout.h"

namespace demo {

struct GeneratorInputs {
  // Paths of Vale.exe, config.exe, Sweeper.exe, ReadMe.txt and the default
  // settings file (VALE.INI).
  std::string vale, config, sweeper, readme, settings;
};

struct GeneratedTree {
  std::vector<Entry> entries;   // in archive entry order
  std::vector<uint64_t> sizes;  // per entry; 0 for directories
};

// Plans the sizes for the given inputs without writing anything.
bool PlanTree(const GeneratorInputs& inputs, GeneratedTree* tree, std::string* problem);

// Plans and writes the tree into outDir, which must not exist or be empty
// (nothing of an earlier tree is ever mixed in or deleted).
bool GenerateTree(const GeneratorInputs& inputs, const std::string& outDir,
                  GeneratedTree* tree, std::string* problem);

}  // namespace demo
