/*
 * Per-thread segment descriptors for 32-bit Wine run by qemu-user.
 *
 * On a kernel that runs no 32-bit code, 32-bit Wine runs under qemu-user
 * (scripts/i386-emulation). qemu-user keeps ONE global descriptor table for
 * all threads of a process: the thread-local entries that set_thread_area
 * writes are shared, so each new thread overwrites the entry the others use.
 * A thread only notices when it loads the selector again, and 32-bit Wine
 * does that in every signal handler and on every full context restore: it
 * reloads %fs (the Windows thread block) and %gs (the C library's thread
 * block) from the table, and so takes over the newest thread's blocks. From
 * then on two threads share a thread block, a thread id and the Wine server
 * channel, and the process soon fails (a dead thread, "wine client error",
 * wrong last-error values, loader state of another thread). A real kernel
 * switches these entries per thread; the local descriptor table, which every
 * thread shares on a real kernel too, has room for one entry per thread.
 *
 * Preloaded into the 32-bit Wine loader (LD_PRELOAD), this library moves
 * each thread onto a local descriptor of its own before Wine records its
 * selectors:
 *   - at load, the main thread's %gs moves to a local descriptor with the
 *     same base; the free global entries are taken, so that Wine's own
 *     request for one fails and it gives every thread a local descriptor for
 *     %fs (its fallback for kernels without set_thread_area), and %fs is
 *     cleared so that Wine does not reuse the one the preloader set up;
 *   - pthread_create is wrapped: the C library creates the thread through the
 *     shared global entry as usual (the parent's own base is written there
 *     first, under a lock, with signals blocked), and the new thread moves to
 *     a local descriptor of its own before it runs anything else.
 * Wine itself leaves local entries below 512 to the C library when %gs is a
 * local selector, so the two never meet. Entries are reused once the thread
 * that held one is gone.
 *
 * Part of the preload library that scripts/i386-emulation builds (see
 * address_space.c for its other part).
 */

#include "raw_syscalls.h"

/* struct user_desc of the i386 kernel interface. */
struct user_desc {
  u32 entry_number;
  u32 base_addr;
  u32 limit;
  u32 flags; /* seg_32bit:1 contents:2 read_exec_only:1 limit_in_pages:1
                seg_not_present:1 useable:1 */
};
enum {
  DescSeg32Bit = 1u << 0,
  DescLimitInPages = 1u << 4,
  DescUseable = 1u << 6,
};

enum { SigBlock = 0, SigSetmask = 2, Esrch = 3, Eagain = 11 };
enum { LocalEntries = 512 }; /* Wine allocates its own from 512 on */

static inline u32 ReadGs(void) {
  u32 selector;
  __asm__ volatile("movw %%gs, %w0" : "=r"(selector));
  return selector & 0xffff;
}
static inline void LoadGs(u32 selector) { __asm__ volatile("movw %w0, %%gs" ::"r"(selector) : "memory"); }
static inline void LoadFs(u32 selector) { __asm__ volatile("movw %w0, %%fs" ::"r"(selector) : "memory"); }
/* The C library's thread block starts with a pointer to itself. */
static inline u32 ThreadBlock(void) {
  u32 base;
  __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
  return base;
}

static volatile int busy;
static void Lock(void) {
  while (__atomic_exchange_n(&busy, 1, __ATOMIC_ACQUIRE) != 0) Syscall3(SysSchedYield, 0, 0, 0);
}
static void Unlock(void) { __atomic_store_n(&busy, 0, __ATOMIC_RELEASE); }

static int process;
static u32 globalEntry;        /* the C library's global entry, 0 when not active */
static int holder[LocalEntries]; /* thread id holding each local entry, 0 when free */

/* Gives the calling thread a local descriptor with its current %gs base and
   loads it. Returns 0 when none is left (the thread keeps the global one). */
static int MoveToLocalDescriptor(void) {
  const int me = Syscall3(SysGettid, 0, 0, 0);
  int index = 0;
  Lock();
  for (int i = 1; i < LocalEntries && index == 0; ++i) {
    if (holder[i] == 0 || Syscall3(SysTgkill, process, holder[i], 0) == -Esrch) index = i;
  }
  if (index != 0) holder[index] = me;
  Unlock();
  if (index == 0) {
    Say("wine preload: no local descriptor left for a new thread\n");
    return 0;
  }
  struct user_desc desc = {(u32)index, ThreadBlock(), 0xfffff,
                           DescSeg32Bit | DescLimitInPages | DescUseable};
  if (Syscall3(SysModifyLdt, 1, (int)&desc, sizeof desc) != 0) {
    Say("wine preload: modify_ldt failed\n");
    return 0;
  }
  LoadGs(((u32)index << 3) | 7);
  return 1;
}

extern void* malloc(unsigned long size);
extern void free(void* block);
typedef int (*CreateThreadFn)(void* thread, const void* attributes, void* (*start)(void*), void* arg);

struct ThreadStart {
  void* (*start)(void*);
  void* arg;
  u32 signalMask[2];
};

static void* StartOnLocalDescriptor(void* argument) {
  struct ThreadStart start = *(struct ThreadStart*)argument;
  free(argument);
  MoveToLocalDescriptor();
  Syscall4(SysRtSigprocmask, SigSetmask, (int)start.signalMask, 0, sizeof start.signalMask);
  return start.start(start.arg);
}

int pthread_create(void* thread, const void* attributes, void* (*start)(void*), void* arg) {
  static CreateThreadFn create;
  if (create == 0) create = (CreateThreadFn)dlsym((void*)-1 /* RTLD_NEXT */, "pthread_create");
  if (globalEntry == 0) return create(thread, attributes, start, arg);

  struct ThreadStart* record = malloc(sizeof *record);
  if (record == 0) return Eagain;
  record->start = start;
  record->arg = arg;
  u32 all[2] = {~0u, ~0u};
  u32 before[2];
  Syscall4(SysRtSigprocmask, SigBlock, (int)all, (int)before, sizeof before);
  record->signalMask[0] = before[0];
  record->signalMask[1] = before[1];

  /* The C library takes the entry number for the new thread from %gs: the
     global entry must be loaded, holding this thread's own base, while it
     creates the thread; no signal may reload it meanwhile. */
  const u32 local = ReadGs();
  Lock();
  struct user_desc desc = {globalEntry, ThreadBlock(), 0xfffff,
                           DescSeg32Bit | DescLimitInPages | DescUseable};
  Syscall3(SysSetThreadArea, (int)&desc, 0, 0);
  LoadGs((globalEntry << 3) | 3);
  const int result = create(thread, attributes, StartOnLocalDescriptor, record);
  LoadGs(local);
  Unlock();
  if (result != 0) free(record);
  Syscall4(SysRtSigprocmask, SigSetmask, (int)before, 0, sizeof before);
  return result;
}

__attribute__((constructor)) static void MoveMainThread(void) {
  const u32 gs = ReadGs();
  if ((gs & 4) != 0 || gs == 0) return; /* already local, or no thread block */
  process = Syscall3(SysGetpid, 0, 0, 0);
  if (!MoveToLocalDescriptor()) return;
  globalEntry = gs >> 3;
  /* Take every free global entry, so that Wine falls back to local ones. */
  for (int taken = 0; taken < 8; ++taken) {
    struct user_desc desc = {(u32)-1, 0, 0, DescSeg32Bit};
    if (Syscall3(SysSetThreadArea, (int)&desc, 0, 0) != 0) break;
  }
  LoadFs(0);
}
