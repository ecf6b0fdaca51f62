#include "tree_layout.h"

#include <initializer_list>
#include <string>

#include "payload/entry_order.h"
#include "payload/install_list.h"
#include "rng.h"

namespace demo {
namespace {

constexpr uint32_t KiB = 1024;
constexpr uint32_t MiB = 1024 * 1024;

void AddDirectory(std::vector<Entry>& out, const std::string& path) {
  Entry e;
  e.path = path;
  e.directory = true;
  out.push_back(e);
}

void AddFixed(std::vector<Entry>& out, const std::string& path, Kind kind, uint32_t size) {
  Entry e;
  e.path = path;
  e.kind = kind;
  e.rule = SizeRule::Fixed;
  e.size = size;
  out.push_back(e);
}

void AddInput(std::vector<Entry>& out, const std::string& path, Kind kind, Input input) {
  Entry e;
  e.path = path;
  e.kind = kind;
  e.input = input;
  e.rule = SizeRule::FromInput;
  out.push_back(e);
}

// A group of files of one kind in one directory. Nominal sizes lie between
// minSize and maxSize, skewed towards the small end (most game files are
// small, a few are large), each drawn from the file's own path.
void AddGroup(std::vector<Entry>& out, const std::string& dir,
              std::initializer_list<const char*> stems, const char* ext, Kind kind,
              uint32_t minSize, uint32_t maxSize) {
  for (const char* stem : stems) {
    Entry e;
    e.path = dir + "\\" + stem + ext;
    e.kind = kind;
    e.rule = SizeRule::Free;
    Rng rng(HashText(e.path, 0x5EED5EED5EEDull));
    uint64_t u = rng.Below(65536);
    e.size = minSize + static_cast<uint32_t>((uint64_t{maxSize - minSize} * u * u) >> 32);
    out.push_back(e);
  }
}

void AddLevels(std::vector<Entry>& out) {
  const std::string levels = "DATA\\LEVELS";
  AddDirectory(out, levels);
  for (const char* region : {"COAST", "FOREST", "HIGHLAND", "MARSH", "QUARRY", "RUINS",
                             "VALLEY", "WARDEN_KEEP"}) {
    AddGroup(out, levels, {region}, ".ENT", Kind::Script, 6 * KiB, 48 * KiB);
    AddGroup(out, levels, {region}, ".MAP", Kind::SparseMap, 160 * KiB, 700 * KiB);
    AddGroup(out, levels, {region}, ".NAV", Kind::BinaryTable, 24 * KiB, 160 * KiB);
  }
  for (const char* region : {"COAST", "FOREST", "MARSH", "RUINS", "VALLEY"}) {
    const std::string dir = levels + "\\" + region;
    AddDirectory(out, dir);
    const std::string r = region;
    AddGroup(out, dir, {(r + "_DAY").c_str(), (r + "_DUSK").c_str(), (r + "_NIGHT").c_str()},
             ".LMP", Kind::Lightmap, 64 * KiB, 260 * KiB);
  }
}

void AddObjects(std::vector<Entry>& out) {
  const std::string objects = "DATA\\OBJECTS";
  AddDirectory(out, objects);
  std::initializer_list<const char*> people = {
      "BANDIT", "CHILD", "FERRYMAN", "GUARD", "HERMIT", "HERO",
      "HERO_LOD1", "MERCHANT", "SMITH", "VILLAGER_A", "VILLAGER_B", "WARDEN"};
  AddGroup(out, objects, people, ".MSH", Kind::Mesh, 60 * KiB, 420 * KiB);
  AddGroup(out, objects, people, ".ANM", Kind::Animation, 30 * KiB, 260 * KiB);
  AddGroup(out, objects,
           {"BARREL", "BRIDGE", "CART", "CHEST", "CRATE", "DOOR_OAK", "FENCE", "GATE",
            "LANTERN", "MILL_WHEEL", "ROWBOAT", "SIGNPOST", "STATUE", "TOWER", "WELL",
            "WINDMILL"},
           ".MSH", Kind::Mesh, 12 * KiB, 240 * KiB);
  struct Sub { const char* name; std::initializer_list<const char*> stems; };
  for (const Sub& sub : {
           Sub{"ARMOR", {"BOOTS", "CHAINMAIL", "HELMET", "LEATHER_VEST", "SHIELD_ROUND"}},
           Sub{"BUILDINGS", {"CHAPEL", "COTTAGE", "FORGE", "INN", "WATCHTOWER"}},
           Sub{"CREATURES", {"BOAR", "CROW", "MARSH_TOAD", "STAG", "WOLF"}},
           Sub{"FOLIAGE", {"BIRCH", "FERN", "OAK", "PINE", "REEDS"}},
           Sub{"PROPS", {"ANVIL", "BENCH", "CAULDRON", "HAYSTACK", "TABLE"}},
           Sub{"WEAPONS", {"AXE", "BOW", "CROSSBOW", "SPEAR", "SWORD"}},
       }) {
    const std::string dir = objects + "\\" + sub.name;
    AddDirectory(out, dir);
    AddGroup(out, dir, sub.stems, ".MSH", Kind::Mesh, 20 * KiB, 380 * KiB);
  }
}

void AddScripts(std::vector<Entry>& out) {
  const std::string scripts = "DATA\\SCRIPTS";
  AddDirectory(out, scripts);
  AddGroup(out, scripts,
           {"AUDIO", "CAMERA", "CHEATS", "COMBAT", "CREDITS", "DAYCYCLE", "DEMO_END",
            "DIALOGUE", "DOORS", "EFFECTS", "FERRY", "FESTIVAL", "HUD", "INPUT", "INVENTORY",
            "JOURNAL", "LOOT", "MAIN", "MAPVIEW", "MARKET", "MENU", "MILL", "OPTIONS",
            "PHYSICS", "SAVEGAME", "SPAWN", "TRADE", "TRAPS", "TUTORIAL", "WEATHER"},
           ".SCR", Kind::Script, 2 * KiB, 72 * KiB);
  AddGroup(out, scripts,
           {"ARMOR", "CREATURES", "ITEMS", "LOOT_TABLES", "PRICES", "SPELLS", "WEAPONS",
            "XP_LEVELS"},
           ".CSV", Kind::Csv, 3 * KiB, 90 * KiB);
  AddGroup(out, scripts,
           {"CHANGES", "HINTS", "NAMES", "STRINGS_DE", "STRINGS_EN", "STRINGS_FR"}, ".TXT",
           Kind::Prose, 4 * KiB, 120 * KiB);
  AddDirectory(out, scripts + "\\AI");
  AddGroup(out, scripts + "\\AI", {"BANDIT", "GUARD", "VILLAGER", "WOLF"}, ".SCR",
           Kind::Script, 3 * KiB, 40 * KiB);
  AddDirectory(out, scripts + "\\CUTSCENES");
  AddGroup(out, scripts + "\\CUTSCENES", {"ARRIVAL", "BRIDGE_FALL", "FINALE", "MILL_FIRE"},
           ".SCR", Kind::Script, 4 * KiB, 56 * KiB);
  AddDirectory(out, scripts + "\\DIALOGUE");
  AddGroup(out, scripts + "\\DIALOGUE", {"FERRYMAN", "HERMIT", "MERCHANT", "WARDEN"}, ".DLG",
           Kind::Dialogue, 6 * KiB, 80 * KiB);
  AddDirectory(out, scripts + "\\QUESTS");
  AddGroup(out, scripts + "\\QUESTS", {"LOST_LANTERN", "MILL_RIGHTS", "SILVER_BELL",
                                       "TOLL_BRIDGE"},
           ".QST", Kind::Script, 3 * KiB, 36 * KiB);
}

void AddTextures(std::vector<Entry>& out) {
  const std::string textures = "DATA\\TEXTURES";
  AddDirectory(out, textures);
  AddGroup(out, textures,
           {"BARK", "BARK_BIRCH", "BRICK", "CLOTH_BLUE", "CLOTH_RED", "COBBLES", "DIRT",
            "FLAGSTONE", "FUR", "GLASS", "GOLD", "GRAVEL", "HAY", "ICE", "IRON", "LEATHER",
            "MARBLE", "MOSS", "MUD", "PLASTER", "ROOF_SLATE", "ROOF_THATCH", "ROPE", "RUST",
            "SAND", "SKIN_A", "SKIN_B", "SNOW", "STONE", "STONE_MOSSY", "STRAW", "TILE",
            "WOOD_DARK", "WOOD_LIGHT", "WOOD_PLANKS", "WOOL"},
           ".TGA", Kind::Texture, 48 * KiB, 780 * KiB);
  struct Sub { const char* name; std::initializer_list<const char*> stems; };
  for (const Sub& sub : {
           Sub{"CHARACTERS", {"HERO_BODY", "HERO_FACE", "VILLAGER", "WARDEN_BODY",
                              "WARDEN_FACE"}},
           Sub{"INTERFACE", {"BUTTONS", "CURSOR", "FONT_LARGE", "FONT_SMALL",
                             "MAP_PARCHMENT"}},
           Sub{"SKY", {"CLOUDS", "DAWN", "DUSK", "NIGHT", "STARS"}},
           Sub{"TERRAIN", {"GRASS", "GRASS_DRY", "MEADOW", "ROCK", "SHORE"}},
           Sub{"WALLS", {"CASTLE", "COTTAGE", "RUIN", "TIMBER", "WATTLE"}},
           Sub{"WATER", {"FOAM", "LAKE", "MARSH", "RIVER", "WAVES"}},
       }) {
    const std::string dir = textures + "\\" + sub.name;
    AddDirectory(out, dir);
    AddGroup(out, dir, sub.stems, ".TGA", Kind::Texture, 64 * KiB, 900 * KiB);
  }
}

void AddMovies(std::vector<Entry>& out) {
  const std::string movies = "MEDIA\\MOVIES";
  AddDirectory(out, movies);
  AddGroup(out, movies, {"CREDITS"}, ".AVI", Kind::Video, 5 * MiB, 6 * MiB);
  AddFixed(out, movies + "\\INTRO.AVI", Kind::Video, 18870196);
  AddGroup(out, movies, {"SUBTITLES"}, ".TXT", Kind::Dialogue, 14 * KiB, 24 * KiB);
  AddGroup(out, movies, {"TRAILER"}, ".AVI", Kind::Compressed, 7 * MiB, 8 * MiB);
  AddDirectory(out, movies + "\\LOGOS");
  AddGroup(out, movies + "\\LOGOS", {"ENGINE", "PUBLISHER", "SOUND_SYSTEM", "STUDIO"}, ".AVI",
           Kind::Video, 400 * KiB, 1400 * KiB);
}

void AddSound(std::vector<Entry>& out) {
  const std::string sound = "MEDIA\\SOUNDS";
  AddDirectory(out, sound);
  AddGroup(out, sound,
           {"ARROW_HIT", "BELL_TOLL", "BIRDS_MORNING", "BOW_DRAW", "BOW_RELEASE",
            "CART_WHEELS", "CHEST_OPEN", "COIN_PICKUP", "CRICKETS_NIGHT", "CROW_CALL",
            "DOG_BARK", "DOOR_CLOSE", "DOOR_OPEN", "FIRE_CRACKLE", "FOOTSTEP_GRASS",
            "FOOTSTEP_STONE", "FOOTSTEP_WATER", "FOOTSTEP_WOOD", "HAMMER_ANVIL", "HORSE_TROT",
            "ITEM_PICKUP", "LEVEL_UP", "MILL_CREAK", "POTION_DRINK", "RAIN_LOOP",
            "SHIELD_BLOCK", "SWORD_HIT", "SWORD_SWING", "THUNDER", "WATER_SPLASH",
            "WIND_LOOP", "WOLF_HOWL"},
           ".WAV", Kind::Pcm, 14 * KiB, 420 * KiB);
  AddDirectory(out, sound + "\\AMBIENT");
  AddGroup(out, sound + "\\AMBIENT",
           {"CAVE_DRIPS", "FOREST_DAY", "HARBOUR", "MARKET_CROWD", "MARSH_NIGHT"}, ".WAV",
           Kind::Pcm, 900 * KiB, 2 * MiB);
  AddDirectory(out, sound + "\\CREATURES");
  AddGroup(out, sound + "\\CREATURES",
           {"BOAR_GRUNT", "STAG_CALL", "TOAD_CROAK", "WOLF_GROWL", "WOLF_PAIN"}, ".WAV",
           Kind::Pcm, 60 * KiB, 300 * KiB);
  AddDirectory(out, sound + "\\INTERFACE");
  AddGroup(out, sound + "\\INTERFACE", {"CLICK", "HOVER", "OPEN_MENU", "PAGE_TURN"}, ".WAV",
           Kind::Pcm, 6 * KiB, 40 * KiB);
  AddDirectory(out, sound + "\\MUSIC");
  AddGroup(out, sound + "\\MUSIC",
           {"#1 - ARRIVAL", "#2 - MARKET DAY", "#3 - NIGHT WATCH", "#4 - THE VALE"}, ".MUS",
           Kind::Compressed, 2 * MiB, 3 * MiB);
  AddDirectory(out, sound + "\\VOICE");
  AddGroup(out, sound + "\\VOICE",
           {"FERRYMAN_GREETING", "HERMIT_RIDDLE", "MERCHANT_HAGGLE", "NARRATOR_INTRO",
            "NARRATOR_OUTRO"},
           ".WAV", Kind::Pcm, 300 * KiB, 1800 * KiB);
  // The last file of the archive: its size leaves 62,228 bytes for the final
  // write after the progress has reached its top (20 full writes before).
  AddFixed(out, sound + "\\VOICE\\WARDEN_WARNING.WAV", Kind::Pcm, 20 * 131072 + 62228);
}

// Puts the entries into archive entry order and gives each its level.
void SortIntoEntryOrder(std::vector<Entry>& entries) {
  std::vector<entry_order::Item> items;
  items.reserve(entries.size());
  for (const Entry& e : entries) items.push_back({e.path, e.directory});
  std::vector<Entry> sorted;
  sorted.reserve(entries.size());
  for (size_t index : entry_order::EntryOrder(items)) {
    sorted.push_back(entries[index]);
    sorted.back().level = entry_order::Level(sorted.back().path, sorted.back().directory);
  }
  entries = std::move(sorted);
}

}  // namespace

std::string ListFileText(const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& e : entries) text += InstallListLine(e.path, e.directory);
  return text;
}

std::vector<Entry> BuildLayout() {
  std::vector<Entry> entries;
  AddInput(entries, "CONFIG.EXE", Kind::Program, Input::Config);
  AddInput(entries, "README.TXT", Kind::ReadMe, Input::ReadMe);
  AddInput(entries, "SWEEPER.EXE", Kind::Program, Input::Sweeper);
  AddFixed(entries, ListFileName, Kind::ListFile, 0);
  AddInput(entries, "VALE.EXE", Kind::Program, Input::Vale);
  AddInput(entries, "VALE.INI", Kind::Settings, Input::Settings);
  AddFixed(entries, "VERSION.TXT", Kind::VersionNote,
           static_cast<uint32_t>(std::char_traits<char>::length(VersionNoteText)));
  AddDirectory(entries, "DATA");
  AddDirectory(entries, "MEDIA");
  AddLevels(entries);
  AddObjects(entries);
  AddScripts(entries);
  AddTextures(entries);
  AddMovies(entries);
  AddSound(entries);
  SortIntoEntryOrder(entries);
  // The names are fixed, so the list file's size is too.
  const size_t listSize = ListFileText(entries).size();
  for (Entry& e : entries) {
    if (e.kind == Kind::ListFile) e.size = static_cast<uint32_t>(listSize);
  }
  return entries;
}

}  // namespace demo
