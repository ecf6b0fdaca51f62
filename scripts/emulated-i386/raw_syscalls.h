/*
 * The few i386 Linux system calls the preload library makes, without the C
 * library's headers (the library is built with the native compiler for i386,
 * where no 32-bit development files are installed).
 */
#pragma once

typedef unsigned int u32;

enum {
  SysExit = 1,
  SysRead = 3,
  SysWrite = 4,
  SysOpen = 5,
  SysClose = 6,
  SysGetpid = 20,
  SysOldMmap = 90,
  SysModifyLdt = 123,
  SysSchedYield = 158,
  SysRtSigprocmask = 175,
  SysGettid = 224,
  SysSetThreadArea = 243,
  SysTgkill = 270,
};

static inline int Syscall3(int number, int a, int b, int c) {
  int result;
  __asm__ volatile("int $0x80" : "=a"(result) : "0"(number), "b"(a), "c"(b), "d"(c) : "memory");
  return result;
}

static inline int Syscall4(int number, int a, int b, int c, int d) {
  int result;
  __asm__ volatile("int $0x80"
                   : "=a"(result)
                   : "0"(number), "b"(a), "c"(b), "d"(c), "S"(d)
                   : "memory");
  return result;
}

static inline void Say(const char* text) {
  int length = 0;
  while (text[length] != 0) ++length;
  Syscall3(SysWrite, 2, (int)text, length);
}

/* From the 32-bit C library. */
extern void* dlsym(void* handle, const char* name);
