#include "bench/codec/corpus.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/support/random.h"

namespace {

using test_support::Rng;

using Bytes = std::vector<uint8_t>;

void Append(Bytes& out, const char* s) { out.insert(out.end(), s, s + std::strlen(s)); }

// Words with a skewed (Zipf-like) choice, so that common words repeat as in prose.
class WordSource {
 public:
  explicit WordSource(uint64_t seed) : R(seed) {
    static const char* const stems[] = {
        "the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "was",
        "with", "be", "by", "on", "not", "he", "this", "are", "or", "his", "from", "at",
        "which", "but", "have", "an", "had", "they", "you", "were", "their", "one",
        "all", "we", "can", "her", "has", "there", "been", "if", "more", "when", "will",
        "would", "who", "so", "no", "vale", "river", "stone", "lantern", "market",
        "traveller", "umber", "northern", "village", "harvest", "shadow", "bridge",
        "keeper", "ancient", "forest", "silver", "merchant", "quest", "dungeon",
        "tower", "crystal", "journey", "whisper", "mountain", "garden", "kingdom"};
    for (const char* s : stems) Words.push_back(s);
    // Derived words widen the vocabulary.
    static const char* const ends[] = {"s", "ed", "ing", "er", "ly", "ness"};
    for (size_t k = 0; k < 400; ++k)
      Words.push_back(std::string(stems[R.Below(75)]) + ends[R.Below(6)]);
  }
  const std::string& Next() {
    const double u = R.Unit();
    const size_t i = static_cast<size_t>(std::pow(u, 2.5) * static_cast<double>(Words.size()));
    return Words[i < Words.size() ? i : Words.size() - 1];
  }
  Rng R;

 private:
  std::vector<std::string> Words;
};

Bytes MakeText(size_t n, uint64_t seed) {
  WordSource words(seed);
  Bytes out;
  out.reserve(n + 64);
  size_t lineStart = 0;
  bool sentenceStart = true;
  while (out.size() < n) {
    std::string w = words.Next();
    if (sentenceStart) w[0] = static_cast<char>(w[0] - 'a' + 'A');
    sentenceStart = false;
    Append(out, w.c_str());
    const uint32_t p = words.R.Below(100);
    if (p < 8) {
      Append(out, ".");
      sentenceStart = true;
    } else if (p < 14) {
      Append(out, ",");
    }
    if (out.size() - lineStart > 72) {
      Append(out, "\r\n");
      lineStart = out.size();
      if (words.R.Below(8) == 0) Append(out, "\r\n");
    } else {
      Append(out, " ");
    }
  }
  out.resize(n);
  return out;
}

Bytes MakeMarkup(size_t n, uint64_t seed) {
  WordSource words(seed);
  static const char* const tags[] = {"item", "entry", "name", "description", "value",
                                     "sprite", "sound", "level", "trigger", "dialog"};
  Bytes out;
  out.reserve(n + 256);
  Append(out, "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<data>\r\n");
  uint32_t id = 1000;
  while (out.size() < n) {
    const char* tag = tags[words.R.Below(10)];
    char line[256];
    std::snprintf(line, sizeof line, "  <%s id=\"%u\" x=\"%u\" y=\"%u\" flags=\"0x%04X\">", tag,
                  id++, words.R.Below(640), words.R.Below(480), words.R.Below(65536));
    Append(out, line);
    const uint32_t count = 1 + words.R.Below(8);
    for (uint32_t k = 0; k < count; ++k) {
      Append(out, words.Next().c_str());
      if (k + 1 < count) Append(out, " ");
    }
    std::snprintf(line, sizeof line, "</%s>\r\n", tag);
    Append(out, line);
  }
  out.resize(n);
  return out;
}

// 16-bit stereo samples: a few drifting tones with noise.
Bytes MakePcm(size_t n, uint64_t seed) {
  Rng r(seed);
  Bytes out;
  out.reserve(n + 4);
  double phase[3] = {0, 0, 0};
  double step[3] = {0.01 + r.Unit() * 0.05, 0.003 + r.Unit() * 0.01, 0.1 * r.Unit()};
  while (out.size() < n) {
    for (int k = 0; k < 3; ++k) phase[k] += step[k];
    if (r.Below(20000) == 0) step[r.Below(3)] = 0.001 + r.Unit() * 0.08;
    const double v = 9000 * std::sin(phase[0]) + 5000 * std::sin(phase[1]) +
                     2000 * std::sin(phase[2]) + (r.Unit() - 0.5) * 600;
    const int16_t left = static_cast<int16_t>(v);
    const int16_t right = static_cast<int16_t>(v * 0.8 + (r.Unit() - 0.5) * 300);
    for (int16_t s : {left, right}) {
      out.push_back(static_cast<uint8_t>(s & 0xFF));
      out.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
  }
  out.resize(n);
  return out;
}

// Binary records of a game's tables (ids, small counts, coordinates, floats) and the
// same kind of rows as comma-separated text.
Bytes MakeTables(size_t n, uint64_t seed) {
  Rng r(seed);
  Bytes out;
  out.reserve(n + 128);
  uint32_t id = 0;
  const bool text = (seed & 1) != 0;
  while (out.size() < n) {
    const uint32_t kind = r.Below(6);
    const uint32_t cost = 10 * r.Below(50);
    const float weight = static_cast<float>(r.Below(1000)) / 8.0f;
    if (text) {
      char line[128];
      std::snprintf(line, sizeof line, "%u,%u,%u,%.3f,%d,%d\r\n", id, kind, cost, weight,
                    static_cast<int>(r.Below(200)) - 100, static_cast<int>(r.Below(16)));
      Append(out, line);
    } else {
      uint8_t rec[24] = {};
      std::memcpy(rec, &id, 4);
      std::memcpy(rec + 4, &kind, 4);
      std::memcpy(rec + 8, &cost, 4);
      std::memcpy(rec + 12, &weight, 4);
      rec[16] = static_cast<uint8_t>(r.Below(16));
      rec[20] = 0xFF;
      out.insert(out.end(), rec, rec + sizeof rec);
    }
    ++id;
  }
  out.resize(n);
  return out;
}

Bytes MakeRandom(size_t n, uint64_t seed) {
  Rng r(seed);
  Bytes out(n);
  for (size_t i = 0; i < n; i += 8) {
    const uint64_t v = r.Next();
    for (size_t k = 0; k < 8 && i + k < n; ++k) out[i + k] = static_cast<uint8_t>(v >> (8 * k));
  }
  return out;
}

// Like the output of a deflating compressor: almost all entropy, with a slight bias in
// the byte values and rare short repeats (stored blocks, headers).
Bytes MakeDeflated(size_t n, uint64_t seed) {
  Rng r(seed);
  Bytes out;
  out.reserve(n + 64);
  Append(out, "PK\x03\x04\x14");
  while (out.size() < n) {
    const uint32_t p = r.Below(1000);
    if (p < 3 && out.size() > 300) {
      const size_t back = 1 + r.Below(256);
      const size_t len = 3 + r.Below(6);
      for (size_t k = 0; k < len; ++k) out.push_back(out[out.size() - back]);
    } else {
      const uint64_t v = r.Next();
      // Lower values slightly more often.
      out.push_back(static_cast<uint8_t>((v & 0xFF) & ((v >> 8 & 7) == 0 ? 0x7F : 0xFF)));
    }
  }
  out.resize(n);
  return out;
}

// Mostly zeros: bitmaps with large empty areas, padded records, disk-image-like blocks.
Bytes MakeSparse(size_t n, uint64_t seed) {
  Rng r(seed);
  Bytes out(n, 0);
  size_t i = 0;
  while (i < n) {
    i += r.Below(2000);
    const size_t len = 1 + r.Below(24);
    const uint8_t v = static_cast<uint8_t>(1 + r.Below(255));
    for (size_t k = 0; k < len && i < n; ++k, ++i) out[i] = r.Below(4) == 0 ? v : 0xFF;
  }
  return out;
}

struct KindRecipe {
  const char* name;
  double share;
  Bytes (*make)(size_t, uint64_t);
};

const KindRecipe Recipes[] = {
    {"text", 0.16, MakeText},       {"markup", 0.12, MakeMarkup},
    {"pcm", 0.18, MakePcm},         {"tables", 0.12, MakeTables},
    {"random", 0.10, MakeRandom},   {"deflated", 0.12, MakeDeflated},
    {"sparse", 0.20, MakeSparse},
};

}  // namespace

size_t CorpusKind::Bytes() const {
  size_t n = 0;
  for (const auto& f : files) n += f.size();
  return n;
}

std::vector<CorpusKind> MakeCorpus(size_t totalBytes) {
  std::vector<CorpusKind> kinds;
  uint64_t seed = 1;
  for (const KindRecipe& recipe : Recipes) {
    CorpusKind kind;
    kind.name = recipe.name;
    const size_t want = static_cast<size_t>(static_cast<double>(totalBytes) * recipe.share);
    Rng sizes(seed * 31);
    size_t have = 0;
    while (have < want) {
      // Files from 1 KiB to about 2 MiB, small ones more often.
      size_t n = static_cast<size_t>(1024.0 * std::pow(2048.0, sizes.Unit()));
      if (n > want - have) n = want - have;
      kind.files.push_back(recipe.make(n, seed++));
      have += n;
    }
    kinds.push_back(std::move(kind));
  }
  return kinds;
}
