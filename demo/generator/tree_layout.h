// The shape of the demo product: every directory and file of the installed
// tree, with the kind of content each file holds, in archive entry order.
//
// Entry order and levels are the archive's (payload/entry_order.h).
//
// The names are fixed, so the list file's size is known before anything is
// generated. Five files come from the product's build: its programs, its
// readme and its default settings; their sizes are only known at generation
// time (see size_plan.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

enum class Kind {
  Program,      // a built program, copied from the build
  ReadMe,       // the product's readme, copied from the sources
  Settings,     // the default settings file, behind a comment header
  VersionNote,  // VERSION.TXT, a fixed text
  ListFile,     // the install list of every entry ("UMBERLAY VALE.UNS")
  Prose,        // plain text with CRLF lines
  Script,       // game script source
  Dialogue,     // dialogue lines with speakers
  Csv,          // comma-separated table
  BinaryTable,  // fixed-size binary records
  SparseMap,    // tile grid, mostly empty
  Lightmap,     // smooth 8-bit brightness grid
  Mesh,         // vertex and index arrays
  Animation,    // key frames of slowly turning joints
  Texture,      // uncompressed true-colour image
  Video,        // uncompressed 8-bit frames
  Pcm,          // 16-bit PCM audio in a RIFF container
  Compressed,   // already-compressed stream (near random)
};

// Which built input a Program or ReadMe file is taken from.
enum class Input { None, Vale, Config, Sweeper, ReadMe, Settings };

enum class SizeRule {
  Free,       // the planner chooses, starting from the nominal size
  Fixed,      // exactly `size` bytes
  FromInput,  // the size of the input file
};

struct Entry {
  std::string path;  // archive path: upper case, components joined by '\'
  bool directory = false;
  int level = 0;
  Kind kind = Kind::Prose;
  Input input = Input::None;
  SizeRule rule = SizeRule::Free;
  uint32_t size = 0;  // Fixed: the size; Free: the nominal size
};

// Path of the list file at the root of the tree.
inline constexpr const char* ListFileName = "UMBERLAY VALE.UNS";

// The text of VERSION.TXT, the smallest file of the tree (140 bytes).
inline constexpr const char* VersionNoteText =
    "Umberlay Vale (Demo)\r\nVersion 1.0 demo build\r\n\r\n"
    "One region of the full game, playable up to the toll bridge.\r\n"
    "See README.TXT for the keys.\r\n";

// The lines put before the settings input in VALE.INI: they say what the
// file is and make it no smaller than the smallest file of the tree.
inline constexpr const char* SettingsHeader =
    "; Umberlay Vale (Demo) settings.\r\n"
    "; CONFIG.EXE rewrites this file; delete it to return to the defaults.\r\n";

// Every entry of the tree in archive entry order, each with its level.
// Deterministic.
std::vector<Entry> BuildLayout();

// The list file's text: one install-list line per entry in entry order
// (payload/install_list.h; the list file names itself too).
std::string ListFileText(const std::vector<Entry>& entries);

}  // namespace demo
