// ExtractTarget: the file-system seam of the extraction engine. The engine
// decides what is created and written and when progress is shown; a target
// carries it out (Win32 calls in the setup, C stdio in the tool, memory in
// tests and fuzzing). Paths are the archive's own: relative and
// backslash-separated; a target resolves them against its destination.
#pragma once

#include <cstdint>

// <windows.h> maps CreateDirectory to CreateDirectoryA; the seam's method
// keeps its own name in every translation unit (Windows code calls
// CreateDirectoryA by that name).
#ifdef CreateDirectory
#undef CreateDirectory
#endif

// What a target that carries out its calls later found to fail after it had accepted
// them (see ExtractTarget::Finish).
struct LateFailures {
  uint32_t files;  // files accepted by OpenFile and every Write that failed after all
  uint64_t bytes;  // bytes of accepted writes that were not written
};

class ExtractTarget {
 public:
  virtual ~ExtractTarget() = default;
  // Creates a directory; an existing directory is fine and failure is not reported.
  virtual void CreateDirectory(const char* relativePath) = 0;
  // Creates or truncates a file for writing; false when it cannot be created.
  virtual bool OpenFile(const char* relativePath) = 0;
  // Writes to the open file; false on failure. *written is what was written. The
  // data stays as it is until the next Write returns.
  virtual bool Write(const uint8_t* data, uint32_t length, uint32_t* written) = 0;
  virtual void CloseFile() = 0;
  // One line of the install list ("!PATH\r\n" for a directory, "PATH\r\n"
  // for a file), length without the terminator.
  virtual void InstallListLine(const char* line, uint32_t length) = 0;
  // Called after the entries whose index has bit 4 set: repaint and yield.
  virtual void Repaint() = 0;
  // 0..95 for the payload, after every successful write.
  virtual void Progress(int32_t percent) = 0;
  // Called once after the last entry. A target that has carried out every call when
  // it returned has nothing to report; one that queues them (QueuedTarget) finishes
  // them here and reports what failed.
  virtual LateFailures Finish() { return LateFailures{0, 0}; }
};
