/*
 * Room for Windows programs in 32-bit Wine run by qemu-user.
 *
 * Wine's preloader reserves the low part of the address space (0x00110000 up
 * to 0x68000000, about 1.6 GB) before anything else can be mapped there, and
 * Wine hands that area out to Windows programs. qemu-user maps the preloader
 * differently from a kernel: its loader reserves the whole span between the
 * preloader's lowest and highest segment (0x08049000 to 0x7d000000, no access)
 * and puts the stack just below it, inside the area. The preloader sees the
 * stack there and gives the area up, and Wine is left with the 100 MB or so
 * below the first libraries. A setup that carries its payload in its own image
 * then runs out of address space: after the extraction LoadLibrary of
 * DDRAW.DLL fails with STATUS_NO_MEMORY, and the setup warns that DirectX is
 * missing although it is there.
 *
 * At load, before Wine's start-up reads the preloader's list of reserved
 * ranges (wine_main_preload_info, which the Wine loader exports), this adds
 * to the list every stretch of the low area that holds nothing but the
 * emulator's placeholder or nothing at all, after reserving it (no access)
 * itself. Whatever is really mapped there (the stack, the first libraries)
 * stays out. Where the preloader did reserve the area, nothing changes.
 *
 * Part of the preload library that scripts/i386-emulation builds (see
 * thread_descriptors.c for its other part).
 */

#include "raw_syscalls.h"

/* struct wine_preload_info of the Wine loader. */
struct PreloadRange {
  u32 base;
  u32 size;
};

enum {
  LowAreaStart = 0x00110000u,
  LowAreaEnd = 0x68000000u,
  MinimumStretch = 0x10000u, /* the Windows allocation granularity */
  MaxRanges = 64,
};

static struct PreloadRange ranges[MaxRanges];
static int rangeCount;
static char maps[65536];

/* Reserves [from, to) without access and adds it to the ranges, skipping the
   parts that the preloader's own ranges cover. */
static void AddStretch(u32 from, u32 to, int preloaded) {
  for (int i = 0; i < preloaded && from < to; ++i) {
    const u32 base = ranges[i].base, end = ranges[i].base + ranges[i].size;
    if (end <= from || base >= to) continue;
    if (base > from) AddStretch(from, base, preloaded);
    from = end;
  }
  if (to <= from || to - from < MinimumStretch || rangeCount >= MaxRanges - 1) return;
  /* old_mmap(addr, length, PROT_NONE, MAP_PRIVATE|MAP_ANONYMOUS|MAP_FIXED|MAP_NORESERVE, -1, 0) */
  u32 arguments[6] = {from, to - from, 0, 0x02 | 0x20 | 0x10 | 0x4000, (u32)-1, 0};
  if ((u32)Syscall3(SysOldMmap, (int)arguments, 0, 0) != from) return;
  ranges[rangeCount].base = from;
  ranges[rangeCount].size = to - from;
  ++rangeCount;
}

static u32 ParseHex(const char** text) {
  u32 value = 0;
  for (;;) {
    const char c = **text;
    u32 digit;
    if (c >= '0' && c <= '9') digit = (u32)(c - '0');
    else if (c >= 'a' && c <= 'f') digit = (u32)(c - 'a' + 10);
    else return value;
    value = value * 16 + digit;
    ++*text;
  }
}

/* Reads the emulator's view of this process's mappings; 0 when it does not fit. */
static int ReadMaps(void) {
  const int file = Syscall3(SysOpen, (int)"/proc/self/maps", 0, 0);
  if (file < 0) return 0;
  int total = 0, got;
  while (total < (int)sizeof maps - 1 &&
         (got = Syscall3(SysRead, file, (int)(maps + total), (int)sizeof maps - 1 - total)) > 0) {
    total += got;
  }
  Syscall3(SysClose, file, 0, 0);
  maps[total] = 0;
  return total > 0 && total < (int)sizeof maps - 1;
}

__attribute__((constructor)) static void ReclaimLowArea(void) {
  struct PreloadRange** list = (struct PreloadRange**)dlsym((void*)0, "wine_main_preload_info");
  if (list == 0 || *list == 0) return; /* not the Wine loader */
  for (const struct PreloadRange* range = *list; range->size != 0; ++range) {
    if (range->base <= LowAreaStart && range->base + range->size >= LowAreaEnd) return;
    if (rangeCount == MaxRanges / 2) return;
    ranges[rangeCount++] = *range;
  }
  const int preloaded = rangeCount;
  if (!ReadMaps()) return;

  /* Lines in address order: "start-end perms offset dev inode [path]". */
  u32 next = LowAreaStart;
  for (const char* line = maps; *line != 0 && next < LowAreaEnd;) {
    const char* text = line;
    const u32 start = ParseHex(&text);
    if (*text == '-') ++text;
    const u32 end = ParseHex(&text);
    const char* perms = text + 1;
    while (*text != 0 && *text != '\n') ++text;
    const char* last = text;
    while (last > perms && last[-1] == ' ') --last;
    line = *text == '\n' ? text + 1 : text;
    /* The emulator's placeholder: no access, anonymous (inode 0, no path). */
    const int placeholder = perms[0] == '-' && perms[1] == '-' && perms[2] == '-' &&
                            last[-1] == '0' && last[-2] == ' ';
    if (placeholder || end <= next) continue;
    if (start > next) AddStretch(next, start < LowAreaEnd ? start : LowAreaEnd, preloaded);
    next = end;
  }
  if (next < LowAreaEnd) AddStretch(next, LowAreaEnd, preloaded);
  if (rangeCount == preloaded) return;
  ranges[rangeCount].base = 0;
  ranges[rangeCount].size = 0;
  *list = ranges;
}
