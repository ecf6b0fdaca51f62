// demo-gen: writes the demo product's tree for packing into the payload.
//
//   demo-gen --vale FILE --config FILE --sweeper FILE --readme FILE --settings FILE
//            [--plan] OUTDIR
//
// --plan prints every entry with its size instead of writing the tree.
// Either way it ends with the engine's figures for the tree.
#include <cstdio>
#include <cstring>
#include <string>

#include "generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: demo-gen --vale FILE --config FILE --sweeper FILE --readme FILE "
               "--settings FILE [--plan] OUTDIR\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  demo::GeneratorInputs inputs;
  std::string outDir;
  bool planOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* value = arg == "--vale"      ? &inputs.vale
                         : arg == "--config"  ? &inputs.config
                         : arg == "--sweeper" ? &inputs.sweeper
                         : arg == "--readme"   ? &inputs.readme
                         : arg == "--settings" ? &inputs.settings
                                               : nullptr;
    if (value) {
      if (++i == argc) return Usage();
      *value = argv[i];
    } else if (arg == "--plan") {
      planOnly = true;
    } else if (!arg.empty() && arg[0] != '-' && outDir.empty()) {
      outDir = arg;
    } else {
      return Usage();
    }
  }
  if (inputs.vale.empty() || inputs.config.empty() || inputs.sweeper.empty() ||
      inputs.readme.empty() || inputs.settings.empty() || (outDir.empty() && !planOnly)) {
    return Usage();
  }

  demo::GeneratedTree tree;
  std::string problem;
  const bool ok = planOnly ? demo::PlanTree(inputs, &tree, &problem)
                           : demo::GenerateTree(inputs, outDir, &tree, &problem);
  if (!ok) {
    std::fprintf(stderr, "demo-gen: %s\n", problem.c_str());
    return 1;
  }

  std::vector<uint64_t> fileSizes;
  size_t directories = 0;
  for (size_t i = 0; i < tree.entries.size(); ++i) {
    if (tree.entries[i].directory) {
      ++directories;
    } else {
      fileSizes.push_back(tree.sizes[i]);
    }
    if (planOnly) {
      std::printf("%10llu  %s%s\n", static_cast<unsigned long long>(tree.sizes[i]),
                  tree.entries[i].path.c_str(), tree.entries[i].directory ? "\\" : "");
    }
  }
  const demo::EngineFigures f = demo::SimulateEngine(fileSizes);
  std::printf("%zu directories, %zu files, %llu bytes, %u writes; %d%% reached in %s with "
              "%llu bytes to come\n",
              directories, fileSizes.size(), static_cast<unsigned long long>(f.totalBytes),
              f.writes, f.topPercent, tree.entries.back().path.c_str(),
              static_cast<unsigned long long>(f.bytesAfterTop));
  return 0;
}
