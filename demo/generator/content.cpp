#include "content.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "rng.h"

namespace demo {
namespace {

// ---------------------------------------------------------------- helpers

// Appends little-endian values to a byte vector.
struct ByteWriter {
  std::vector<uint8_t>& out;
  void U8(uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) { U8(v); U8(v >> 8); }
  void U32(uint32_t v) { U16(v); U16(v >> 16); }
  void Tag(const char* four) { out.insert(out.end(), four, four + 4); }
  // An IEEE single from a fixed-point value (value / 2^fractionBits); exact
  // for |value| < 2^24, so no floating-point rounding enters the data.
  void Fixed(int32_t value, int fractionBits) {
    float f = static_cast<float>(value) / static_cast<float>(1 << fractionBits);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    U32(bits);
  }
  void Text(const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
};

// Smooth 2-D noise: random values on a lattice of the given cell size,
// interpolated bilinearly. Values 0..255.
class ValueNoise {
 public:
  ValueNoise(uint64_t seed, int cellShift) : seed_(seed), shift_(cellShift) {}
  int At(int x, int y) const {
    const int cell = 1 << shift_;
    const int cx = x >> shift_, cy = y >> shift_;
    const int fx = x & (cell - 1), fy = y & (cell - 1);
    const int a = Lattice(cx, cy), b = Lattice(cx + 1, cy);
    const int c = Lattice(cx, cy + 1), d = Lattice(cx + 1, cy + 1);
    const int top = a * (cell - fx) + b * fx;
    const int bottom = c * (cell - fx) + d * fx;
    return (top * (cell - fy) + bottom * fy) >> (2 * shift_);
  }

 private:
  int Lattice(int x, int y) const {
    uint64_t h = seed_ ^ (static_cast<uint64_t>(static_cast<uint32_t>(x)) * 0x9E3779B97F4A7C15ull) ^
                 (static_cast<uint64_t>(static_cast<uint32_t>(y)) * 0xC2B2AE3D27D4EB4Full);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<int>(h & 255);
  }
  uint64_t seed_;
  int shift_;
};

// A triangle wave of the given phase (full turn = 2^32), range +-32767.
int32_t Triangle(uint32_t phase) {
  const int32_t p = static_cast<int32_t>(phase >> 16);  // 0..65535
  return p < 32768 ? p * 2 - 32767 : (65535 - p) * 2 - 32767;
}

// A smooth wave (a parabola per half turn), range +-32767.
int32_t Smooth(uint32_t phase) {
  const int32_t p = static_cast<int32_t>((phase >> 17) & 32767);  // within a half turn
  const int32_t v = static_cast<int32_t>((int64_t{p} * (32768 - p)) >> 13);  // 0..32768
  return (phase & 0x80000000u) ? -std::min(v, 32767) : std::min(v, 32767);
}

int Clamp8(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// ------------------------------------------------------------------ text

const char* const Words[] = {
    "the", "of", "and", "to", "a", "in", "is", "you", "that", "it", "he", "was", "for",
    "on", "are", "as", "with", "his", "they", "at", "be", "this", "from", "have", "or",
    "by", "one", "had", "not", "but", "what", "all", "were", "when", "we", "there", "can",
    "an", "your", "which", "their", "said", "if", "do", "will", "each", "about", "how",
    "up", "out", "them", "then", "she", "many", "some", "so", "these", "would", "other",
    "into", "has", "more", "her", "two", "like", "him", "see", "time", "could", "no",
    "make", "than", "first", "been", "its", "who", "now", "people", "my", "made", "over",
    "did", "down", "only", "way", "find", "use", "may", "water", "long", "little", "very",
    "after", "words", "called", "just", "where", "most", "know", "vale", "warden", "mill",
    "bridge", "lantern", "ferry", "river", "marsh", "keep", "village", "market", "toll",
    "silver", "bell", "forest", "stone", "ruins", "night", "road", "gate", "tower", "coin",
    "sword", "bow", "shield", "quest", "journal", "map", "wolf", "boar", "crow", "hermit",
    "merchant", "smith", "guard", "bandit", "harbour", "rain", "wind", "fire", "old",
    "north", "south", "east", "west", "beyond", "hidden", "ancient", "quiet", "broken",
    "press", "key", "save", "load", "menu", "option", "sound", "screen", "mouse", "demo",
    "full", "version", "level", "chapter", "player", "enemy", "health", "gold", "item",
};
constexpr uint32_t WordCount = sizeof(Words) / sizeof(Words[0]);

// A word index skewed towards the common words at the front of the list.
const char* PickWord(Rng& rng) {
  const uint32_t a = rng.Below(WordCount), b = rng.Below(WordCount);
  return Words[std::min(a, b)];
}

std::string Capitalized(const char* word) {
  std::string s = word;
  if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 32);
  return s;
}

std::string Identifier(Rng& rng, int parts) {
  std::string id;
  for (int i = 0; i < parts; ++i) id += Capitalized(PickWord(rng));
  return id;
}

std::string Sentence(Rng& rng) {
  std::string s = Capitalized(PickWord(rng));
  const int n = rng.Range(4, 16);
  for (int i = 1; i < n; ++i) {
    s += ' ';
    s += PickWord(rng);
    if (i + 2 < n && rng.Chance(70)) s += ',';
  }
  s += rng.Chance(120) ? "?" : rng.Chance(60) ? "!" : ".";
  return s;
}

// Generates text in pieces until `size` bytes exist, then cuts it there.
template <typename Piece>
void FillText(uint32_t size, std::vector<uint8_t>& out, Piece piece) {
  std::string text;
  text.reserve(size + 256);
  while (text.size() < size) piece(text);
  out.assign(text.begin(), text.begin() + size);
}

void Prose(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  size_t column = 0;
  FillText(size, out, [&](std::string& text) {
    const int sentences = rng.Range(2, 7);
    for (int s = 0; s < sentences; ++s) {
      std::string sentence = Sentence(rng);
      size_t start = 0;
      while (start < sentence.size()) {
        size_t end = sentence.find(' ', start);
        if (end == std::string::npos) end = sentence.size();
        const std::string word = sentence.substr(start, end - start);
        if (column > 0 && column + 1 + word.size() > 72) {
          text += "\r\n";
          column = 0;
        } else if (column > 0) {
          text += ' ';
          ++column;
        }
        text += word;
        column += word.size();
        start = end + 1;
      }
    }
    text += "\r\n\r\n";
    column = 0;
  });
}

void Script(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  static const char* const Calls[] = {"PlaySound", "SetFlag", "Wait", "SpawnActor",
                                      "MoveTo", "Say", "GiveItem", "OpenDoor", "FadeOut",
                                      "SetQuestStage", "LookAt", "Trigger"};
  FillText(size, out, [&](std::string& text) {
    text += "// " + Sentence(rng) + "\r\n";
    text += "function " + Identifier(rng, 2) + "(actor, " + PickWord(rng) + ")\r\n{\r\n";
    const int lines = rng.Range(3, 14);
    for (int i = 0; i < lines; ++i) {
      const char* call = Calls[rng.Below(12)];
      switch (rng.Below(4)) {
        case 0:
          text += "    local " + std::string(PickWord(rng)) + " = " +
                  std::to_string(rng.Range(0, 500)) + ";\r\n";
          break;
        case 1:
          text += "    if (GetFlag(\"" + Identifier(rng, 2) + "\") > " +
                  std::to_string(rng.Range(0, 9)) + ")\r\n        " + call + "(actor, \"" +
                  PickWord(rng) + "\");\r\n";
          break;
        default:
          text += "    " + std::string(call) + "(actor, " + std::to_string(rng.Range(0, 3000)) +
                  ");\r\n";
          break;
      }
    }
    text += "}\r\n\r\n";
  });
}

void Dialogue(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  static const char* const Speakers[] = {"WARDEN", "FERRYMAN", "HERMIT", "MERCHANT",
                                         "PLAYER", "NARRATOR"};
  int line = 0;
  FillText(size, out, [&](std::string& text) {
    text += "[" + std::to_string(++line * 10) + "] " + Speakers[rng.Below(6)] + ": " +
            Sentence(rng);
    if (rng.Chance(400)) text += " " + Sentence(rng);
    text += "\r\n";
    if (rng.Chance(150)) text += "    > choice " + Identifier(rng, 2) + "\r\n";
  });
}

void Csv(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  int id = 1000;
  FillText(size, out, [&](std::string& text) {
    if (text.empty()) text += "ID,NAME,CLASS,VALUE,WEIGHT,LEVEL,FLAGS\r\n";
    text += std::to_string(++id) + "," + Identifier(rng, 2) + "," +
            Capitalized(PickWord(rng)) + "," + std::to_string(rng.Range(1, 250) * 5) + "," +
            std::to_string(rng.Range(0, 40)) + "." + std::to_string(rng.Range(0, 9)) + "," +
            std::to_string(rng.Range(1, 12)) + "," + (rng.Chance(800) ? "0" : "1") + "\r\n";
  });
}

// ---------------------------------------------------------- binary data

void BinaryTable(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  ByteWriter w{out};
  w.Tag("NAV1");
  w.U32(size / 24);
  w.U32(24);
  w.U32(0);
  int x = 0, y = 0;
  for (uint32_t i = 0; out.size() < size; ++i) {
    x += rng.Range(0, 3);
    if (x > 511) { x = 0; y += rng.Range(1, 4); }
    w.U32(i);
    w.U16(static_cast<uint32_t>(x));
    w.U16(static_cast<uint32_t>(y));
    w.U16(rng.Chance(300) ? 0xFFFF : i + rng.Range(1, 3));
    w.U16(rng.Chance(500) ? 0xFFFF : i > 64 ? i - rng.Range(1, 64) : 0);
    w.U8(rng.Chance(850) ? 0 : rng.Below(16));
    w.U8(rng.Range(1, 8));
    w.U16(0);
    w.Fixed(rng.Range(0, 4096), 4);
    w.U32(0);
  }
  out.resize(size);
}

void SparseMap(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  const int width = 512;
  ByteWriter w{out};
  w.Tag("MAP1");
  w.U32(width);
  w.U32(size / (width * 2));
  w.U32(0);
  const uint32_t cells = (size > 16 ? size - 16 : 0) / 2 + 1;
  std::vector<uint16_t> grid(cells, 0);
  // Terrain patches, then scattered objects.
  const uint32_t patches = cells / 900 + 1;
  for (uint32_t p = 0; p < patches; ++p) {
    const uint32_t x0 = rng.Below(width), y0 = rng.Below(cells / width + 1);
    const uint32_t pw = rng.Range(4, 40), ph = rng.Range(2, 24);
    const uint16_t tile = static_cast<uint16_t>(rng.Range(1, 14));
    for (uint32_t yy = y0; yy < y0 + ph; ++yy)
      for (uint32_t xx = x0; xx < std::min<uint32_t>(x0 + pw, width); ++xx) {
        const uint64_t c = uint64_t{yy} * width + xx;
        if (c < cells) grid[c] = tile;
      }
  }
  for (uint32_t k = 0; k < cells / 60; ++k) grid[rng.Below(cells)] = 0x100 | rng.Below(256);
  for (uint16_t v : grid) w.U16(v);
  out.resize(size);
}

void Lightmap(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  const int width = 256;
  ByteWriter w{out};
  w.Tag("LMP1");
  w.U32(width);
  ValueNoise broad(rng.Next(), 5), fine(rng.Next(), 3);
  for (uint32_t i = 0; out.size() < size; ++i) {
    const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
    // Baked light comes in steps of four levels.
    const int v = ((broad.At(x, y) * 3 + fine.At(x, y)) / 4) & ~3;
    w.U8(static_cast<uint32_t>(Clamp8(v)));
  }
  out.resize(size);
}

void Mesh(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  // A height-field patch: 32-byte vertices (position, normal, uv) and
  // triangle indices, in the proportions of a real model.
  const uint32_t vertices = std::max<uint32_t>(size / 56, 4);
  const int gridWidth = 64;
  ByteWriter w{out};
  w.Tag("MSH1");
  w.U32(vertices);
  w.U32(vertices * 6);
  w.U32(0);
  ValueNoise height(rng.Next(), 4);
  for (uint32_t v = 0; v < vertices && out.size() < size; ++v) {
    const int gx = static_cast<int>(v % gridWidth), gy = static_cast<int>(v / gridWidth);
    const int h = height.At(gx * 4, gy * 4) * 16 + static_cast<int>(rng.Below(64));
    w.Fixed(gx * 256 - 8192, 8);
    w.Fixed(h, 8);
    w.Fixed(gy * 256 - 8192, 8);
    const int nx = height.At(gx * 4 + 1, gy * 4) - height.At(gx * 4 - 1, gy * 4);
    const int nz = height.At(gx * 4, gy * 4 + 1) - height.At(gx * 4, gy * 4 - 1);
    w.Fixed(-nx * 64, 12);
    w.Fixed(4096 - (nx * nx + nz * nz) / 8, 12);
    w.Fixed(-nz * 64, 12);
    w.Fixed(gx * 1024, 16);
    w.Fixed(gy * 1024, 16);
  }
  for (uint32_t q = 0; out.size() < size; ++q) {
    const uint32_t v = q % vertices;
    const uint32_t right = v + 1, below = v + gridWidth, diag = v + gridWidth + 1;
    w.U16(v); w.U16(below); w.U16(right);
    w.U16(right); w.U16(below); w.U16(diag);
  }
  out.resize(size);
}

void Animation(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  const int joints = 24;
  ByteWriter w{out};
  w.Tag("ANM1");
  w.U32(joints);
  w.U32(30);
  w.U32(size / (joints * 14));
  std::vector<uint32_t> phase(joints), speed(joints);
  for (int j = 0; j < joints; ++j) {
    phase[j] = static_cast<uint32_t>(rng.Next());
    speed[j] = rng.Range(1, 200) << 20;
  }
  for (uint32_t frame = 0; out.size() < size; ++frame) {
    for (int j = 0; j < joints && out.size() < size; ++j) {
      phase[j] += speed[j];
      const int32_t s = Smooth(phase[j]) / 2, c = Smooth(phase[j] + 0x40000000u) / 2;
      w.U16(static_cast<uint32_t>(s)); w.U16(static_cast<uint32_t>(c));
      w.U16(static_cast<uint32_t>(s / 4 + rng.Range(-2, 2)));
      w.U16(static_cast<uint32_t>(32000 - (s < 0 ? -s : s) / 8));
      w.Fixed(j * 64 + (c >> 11), 8);
      w.U16(static_cast<uint32_t>(frame));
    }
  }
  out.resize(size);
}

// ------------------------------------------------------------- pictures

void Texture(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  const int width = 256;
  ByteWriter w{out};
  // TGA header: uncompressed true colour, bottom-up.
  w.U8(0); w.U8(0); w.U8(2);
  for (int i = 0; i < 5; ++i) w.U8(0);
  w.U16(0); w.U16(0);
  w.U16(width);
  w.U16(size / (width * 3));
  w.U8(24); w.U8(0);
  const int baseR = rng.Range(40, 200), baseG = rng.Range(40, 200), baseB = rng.Range(40, 200);
  const int brick = rng.Range(3, 5);  // pattern cell of 8..32 pixels
  const int grain = rng.Range(8, 20);
  ValueNoise broad(rng.Next(), 5), fine(rng.Next(), 2);
  for (uint32_t i = 0; out.size() < size; ++i) {
    const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
    const int row = y >> brick;
    const int mortar = ((y & ((1 << brick) - 1)) == 0 ||
                        (((x + (row & 1) * (1 << (brick - 1))) & ((1 << brick) - 1)) == 0))
                           ? -50 : 0;
    const int shade = (broad.At(x, y) - 128) / 3 + (fine.At(x, y) - 128) / 6 + mortar;
    const int n = static_cast<int>(rng.Below(grain)) - grain / 2;
    const int tint = static_cast<int>(rng.Below(2));  // a little colour noise in green
    w.U8(static_cast<uint32_t>(Clamp8(baseB + shade + n)));
    w.U8(static_cast<uint32_t>(Clamp8(baseG + shade + n + tint)));
    w.U8(static_cast<uint32_t>(Clamp8(baseR + shade + n)));
  }
  out.resize(size);
}

void Video(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  // Uncompressed 8-bit frames of 320x200 behind a small RIFF header: a sky
  // of flat bands, moving hills, a few sprites, film grain in the lower part.
  const int width = 320, height = 200;
  ByteWriter w{out};
  w.Tag("RIFF"); w.U32(size - 8); w.Tag("AVI "); w.Tag("LIST");
  w.U32(width); w.U32(height); w.U32(size / (width * height + 8)); w.U32(15);
  ValueNoise hills(rng.Next(), 5);
  const int grainRows = rng.Range(109, 149);
  for (int frame = 0; out.size() < size; ++frame) {
    w.Tag("00db");
    w.U32(width * height);
    const int sx = frame * 2, spriteX = (frame * 3) % width, spriteY = 60 + (frame % 40);
    for (int y = 0; y < height && out.size() < size; ++y) {
      for (int x = 0; x < width; ++x) {
        int c;
        const int ridge = 90 + hills.At(x + sx, 0) / 3;
        if (y < ridge) c = 16 + y / 12;                      // sky bands
        else c = 64 + ((hills.At(x + sx, y) >> 5) << 2);     // hills, posterized
        if (x >= spriteX && x < spriteX + 24 && y >= spriteY && y < spriteY + 32)
          c = 200 + ((x - spriteX) >> 3);                    // a sprite
        if (y >= height - grainRows) c += static_cast<int>(rng.Below(32));
        w.U8(static_cast<uint32_t>(c & 255));
      }
    }
  }
  out.resize(size);
}

// ---------------------------------------------------------------- audio

void Pcm(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  // 22,050 Hz 16-bit mono: a few voices with envelopes over a noise floor.
  ByteWriter w{out};
  w.Tag("RIFF"); w.U32(size - 8); w.Tag("WAVE");
  w.Tag("fmt "); w.U32(16); w.U16(1); w.U16(1); w.U32(22050); w.U32(44100); w.U16(2);
  w.U16(16);
  w.Tag("data"); w.U32(size - 44);
  struct Voice { uint32_t phase, step; int32_t level; };
  Voice voices[3];
  for (Voice& v : voices) v = {static_cast<uint32_t>(rng.Next()), static_cast<uint32_t>(rng.Range(20, 1200)) << 16, 0};
  const int noise = rng.Range(200, 1100);
  int32_t envelope = 0, target = 20000;
  for (uint32_t t = 0; out.size() + 1 < size; ++t) {
    if ((t & 4095) == 0) {
      target = rng.Chance(250) ? 0 : rng.Range(4000, 24000);
      for (Voice& v : voices) v.step = static_cast<uint32_t>(rng.Range(20, 1200)) << 16;
    }
    envelope += (target - envelope) >> 9;
    int32_t s = 0;
    for (int k = 0; k < 3; ++k) {
      voices[k].phase += voices[k].step;
      s += (k == 0 ? Smooth(voices[k].phase) : Triangle(voices[k].phase)) / (k + 2);
    }
    s = static_cast<int32_t>((int64_t{s} * envelope) >> 15);
    s += static_cast<int32_t>(rng.Below(noise)) - noise / 2;
    w.U16(static_cast<uint32_t>(std::clamp(s, -32768, 32767)));
  }
  out.resize(size);
}

void Compressed(Rng& rng, uint32_t size, std::vector<uint8_t>& out) {
  // Frames of an already-compressed stream: short headers, random payload.
  ByteWriter w{out};
  for (uint32_t frame = 0; out.size() < size; ++frame) {
    w.Tag("MUSF");
    w.U32(frame);
    const uint32_t length = rng.Range(1500, 6000);
    w.U32(length);
    for (uint32_t i = 0; i < length; i += 8) {
      const uint64_t r = rng.Next();
      for (int b = 0; b < 8; ++b) w.U8(static_cast<uint32_t>(r >> (8 * b)));
    }
  }
  out.resize(size);
}

}  // namespace

void Synthesize(Kind kind, uint64_t seed, uint32_t size, std::vector<uint8_t>& out) {
  out.clear();
  out.reserve(size + 64);
  Rng rng(seed);
  switch (kind) {
    case Kind::Prose: Prose(rng, size, out); break;
    case Kind::Script: Script(rng, size, out); break;
    case Kind::Dialogue: Dialogue(rng, size, out); break;
    case Kind::Csv: Csv(rng, size, out); break;
    case Kind::BinaryTable: BinaryTable(rng, size, out); break;
    case Kind::SparseMap: SparseMap(rng, size, out); break;
    case Kind::Lightmap: Lightmap(rng, size, out); break;
    case Kind::Mesh: Mesh(rng, size, out); break;
    case Kind::Animation: Animation(rng, size, out); break;
    case Kind::Texture: Texture(rng, size, out); break;
    case Kind::Video: Video(rng, size, out); break;
    case Kind::Pcm: Pcm(rng, size, out); break;
    case Kind::Compressed: Compressed(rng, size, out); break;
    case Kind::Program:
    case Kind::ReadMe:
    case Kind::Settings:
    case Kind::VersionNote:
    case Kind::ListFile: break;
  }
  out.resize(size);
}

}  // namespace demo
