// exar lzh encode / decode: raw LZHUF streams without any header.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <cstring>
#include <vector>

#include "payload/archive_format.h"
#include "payload/lzh_encoder.h"
#include "tool/commands.h"
#include "tool/mapped_file.h"
#include "tool/output_file.h"
#include "tool/stream_decode.h"

namespace {

const char LzhUsage[] =
    "usage: exar lzh encode IN OUT\n"
    "       exar lzh decode SIZE IN OUT\n"
    "\n"
    "encode writes IN as one raw LZHUF stream to OUT. decode reads the raw stream\n"
    "IN, decodes it to SIZE bytes (a decimal number) and writes them to OUT. A\n"
    "stream that does not yield exactly SIZE bytes from exactly all of its bytes\n"
    "writes nothing (exit 1).\n";

bool ParseSize(const char* text, uint32_t* size) {
  if (*text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != 0 || value > UINT32_MAX) return false;
  *size = static_cast<uint32_t>(value);
  return true;
}

// Writes a whole file (through OutputFile); fills error on failure.
bool WriteWholeFile(const char* path, const uint8_t* data, size_t size, std::string* error) {
  OutputFile out;
  if (!out.Open(path, error)) return false;
  if (size != 0 && std::fwrite(data, 1, size, out.Stream()) != size) {
    *error = std::string(path) + ": write error";
    return false;
  }
  return out.Commit(error);
}

bool IsEncode(int argc, char** argv) { return argc == 3 && std::strcmp(argv[0], "encode") == 0; }
bool IsDecode(int argc, char** argv) { return argc == 4 && std::strcmp(argv[0], "decode") == 0; }

// "encode IN OUT" or "decode SIZE IN OUT" with SIZE a decimal number.
bool AcceptsLzh(int argc, char** argv) {
  uint32_t size = 0;
  return IsEncode(argc, argv) || (IsDecode(argc, argv) && ParseSize(argv[1], &size));
}

int Lzh(int argc, char** argv, unsigned) {
  const bool encode = IsEncode(argc, argv);
  uint32_t size = 0;
  if (!encode) ParseSize(argv[1], &size);
  const char* inPath = argv[encode ? 1 : 2];
  const char* outPath = argv[encode ? 2 : 3];
  MappedFile in;
  std::string error;
  if (!in.Open(inPath, &error)) {
    std::fprintf(stderr, "exar lzh: %s\n", error.c_str());
    return ExitFailure;
  }
  std::vector<uint8_t> out;
  if (encode) {
    LzhEncode(in.Data(), in.Size(), out);
  } else {
    if (in.Size() > UINT32_MAX) {
      std::fprintf(stderr, "exar lzh: %s: larger than 4 GiB\n", inPath);
      return ExitFailure;
    }
    if (size > in.Size() * archive_format::MaxExpansionPerByte + archive_format::ExpansionSlack) {
      std::fprintf(stderr, "exar lzh: %s: %zu bytes cannot decode to %u bytes\n", inPath,
                   in.Size(), size);
      return ExitFailure;
    }
    const uint32_t compressed = static_cast<uint32_t>(in.Size());
    const DecodedStream decoded = DecodeStream(in.Data(), compressed, size, &out);
    if (decoded.produced != size) {
      std::fprintf(stderr, "exar lzh: %s: stream decodes to %u bytes, not %u\n", inPath,
                   decoded.produced, size);
      return ExitFailure;
    }
    if (decoded.taken != compressed) {
      std::fprintf(stderr, "exar lzh: %s: %u bytes decode after %u of the stream's %u bytes\n",
                   inPath, size, decoded.taken, compressed);
      return ExitFailure;
    }
  }
  if (!WriteWholeFile(outPath, out.data(), out.size(), &error)) {
    std::fprintf(stderr, "exar lzh: %s\n", error.c_str());
    return ExitFailure;
  }
  return ExitSuccess;
}

}  // namespace

const ExarCommand LzhCommand = {"lzh", LzhUsage, false, AcceptsLzh, Lzh};
