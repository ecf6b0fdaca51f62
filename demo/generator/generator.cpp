#include "generator.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "content.h"
#include "rng.h"

namespace demo {
namespace fs = std::filesystem;

namespace {

bool ReadWhole(const std::string& path, std::vector<uint8_t>* data, std::string* problem) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *problem = "cannot open input " + path;
    return false;
  }
  data->clear();
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data->insert(data->end(), buffer, buffer + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) *problem = "cannot read input " + path;
  return !failed;
}

bool InputSizeOf(const std::string& path, uint64_t* size, std::string* problem) {
  std::error_code ec;
  *size = fs::file_size(path, ec);
  if (ec) *problem = "cannot read input " + path + ": " + ec.message();
  return !ec;
}

const std::string& InputPath(const GeneratorInputs& inputs, Input which) {
  switch (which) {
    case Input::Vale: return inputs.vale;
    case Input::Config: return inputs.config;
    case Input::Sweeper: return inputs.sweeper;
    case Input::Settings: return inputs.settings;
    default: return inputs.readme;
  }
}

fs::path HostPath(const std::string& outDir, const std::string& archivePath) {
  std::string relative = archivePath;
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  return fs::path(outDir) / relative;
}

bool WriteWhole(const fs::path& path, const std::vector<uint8_t>& data, std::string* problem) {
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) {
    *problem = "cannot create " + path.string();
    return false;
  }
  const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) *problem = "cannot write " + path.string();
  return written && closed;
}

// Seed of a synthesized file's contents: drawn from its path alone.
uint64_t ContentSeed(const std::string& path) { return HashText(path, 0xDE11C0A7E5ull); }

}  // namespace

bool PlanTree(const GeneratorInputs& inputs, GeneratedTree* tree, std::string* problem) {
  InputSizes sizes;
  if (!InputSizeOf(inputs.vale, &sizes.vale, problem) ||
      !InputSizeOf(inputs.config, &sizes.config, problem) ||
      !InputSizeOf(inputs.sweeper, &sizes.sweeper, problem) ||
      !InputSizeOf(inputs.readme, &sizes.readme, problem) ||
      !InputSizeOf(inputs.settings, &sizes.settings, problem)) {
    return false;
  }
  sizes.settings += std::char_traits<char>::length(SettingsHeader);
  tree->entries = BuildLayout();
  return PlanSizes(tree->entries, sizes, &tree->sizes, problem);
}

bool GenerateTree(const GeneratorInputs& inputs, const std::string& outDir,
                  GeneratedTree* tree, std::string* problem) {
  if (!PlanTree(inputs, tree, problem)) return false;
  std::error_code ec;
  if (fs::exists(outDir, ec) && !fs::is_empty(outDir, ec)) {
    *problem = outDir + " is not empty";
    return false;
  }
  fs::create_directories(outDir, ec);
  if (ec) {
    *problem = "cannot create " + outDir + ": " + ec.message();
    return false;
  }
  std::vector<uint8_t> data;
  for (size_t i = 0; i < tree->entries.size(); ++i) {
    const Entry& e = tree->entries[i];
    const fs::path target = HostPath(outDir, e.path);
    if (e.directory) {
      fs::create_directory(target, ec);
      if (ec) {
        *problem = "cannot create " + target.string() + ": " + ec.message();
        return false;
      }
      continue;
    }
    if (e.rule == SizeRule::FromInput) {
      if (!ReadWhole(InputPath(inputs, e.input), &data, problem)) return false;
      if (e.kind == Kind::Settings) {
        const char* header = SettingsHeader;
        data.insert(data.begin(), header, header + std::char_traits<char>::length(header));
      }
      if (data.size() != tree->sizes[i]) {
        *problem = InputPath(inputs, e.input) + " changed while the tree was generated";
        return false;
      }
    } else if (e.kind == Kind::ListFile) {
      const std::string text = ListFileText(tree->entries);
      data.assign(text.begin(), text.end());
    } else if (e.kind == Kind::VersionNote) {
      const char* text = VersionNoteText;
      data.assign(text, text + std::char_traits<char>::length(text));
    } else {
      Synthesize(e.kind, ContentSeed(e.path), static_cast<uint32_t>(tree->sizes[i]), data);
    }
    if (!WriteWhole(target, data, problem)) return false;
  }
  return true;
}

}  // namespace demo
