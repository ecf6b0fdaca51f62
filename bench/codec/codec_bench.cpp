// Codec benchmarks on the mixed corpus, per kind of data: the decoder against the plain
// reference decoder of the tests, and the encoder's default parse against greedy parsing.
// Every figure is meant to be read as a ratio against its baseline from the same run
// (scripts/bench does that).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/codec/corpus.h"
#include "payload/lzh_decoder.h"
#include "payload/lzh_encoder.h"
#include "tests/support/reference_decoder.h"

namespace {

struct KindStreams {
  std::string name;
  const CorpusKind* kind;
  std::vector<std::vector<uint8_t>> streams;
  size_t bytes = 0;
};

// The corpus (UMBERLAY_BENCH_MB megabytes, 94 by default) and its streams, made once.
const std::vector<KindStreams>& Corpus() {
  static std::vector<CorpusKind> kinds;
  static std::vector<KindStreams> all;
  if (!all.empty()) return all;
  size_t mb = 94;
  if (const char* env = std::getenv("UMBERLAY_BENCH_MB")) mb = std::strtoul(env, nullptr, 10);
  kinds = MakeCorpus(mb * 1000u * 1000u);
  for (const CorpusKind& kind : kinds) {
    KindStreams ks{kind.name, &kind, {}, kind.Bytes()};
    for (const auto& file : kind.files) {
      ks.streams.emplace_back();
      LzhEncode(file.data(), file.size(), ks.streams.back());
    }
    all.push_back(std::move(ks));
  }
  return all;
}

// The engine's way of taking output: a 128 KiB buffer handed on when full.
struct BufferedOutput {
  uint8_t buffer[131072];
  uint32_t fill = 0;
  uint64_t sum = 0;
  void operator()(uint32_t v) {
    if (v == FlushMarker) {
      Hand();
      return;
    }
    buffer[fill++] = static_cast<uint8_t>(v);
    if (fill == sizeof buffer) Hand();
  }
  void Hand() {
    if (fill != 0) sum += buffer[0] + buffer[fill - 1] + fill;
    benchmark::DoNotOptimize(buffer);
    fill = 0;
  }
};

struct MemoryInput {
  const uint8_t* next;
  uint32_t operator()() { return *next++; }
};

template <typename Decoder>
void DecodeKind(benchmark::State& state, size_t kindIndex) {
  const KindStreams& ks = Corpus()[kindIndex];
  auto decoder = std::make_unique<Decoder>();
  auto output = std::make_unique<BufferedOutput>();
  for (auto _ : state) {
    for (size_t f = 0; f < ks.streams.size(); ++f) {
      MemoryInput input{ks.streams[f].data()};
      uint32_t c = static_cast<uint32_t>(ks.streams[f].size());
      uint32_t u = static_cast<uint32_t>(ks.kind->files[f].size());
      decoder->Decode(c, u, input, *output);
    }
  }
  benchmark::DoNotOptimize(output->sum);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ks.bytes));
}

void EncodeKind(benchmark::State& state, size_t kindIndex, LzhParse parse) {
  const KindStreams& ks = Corpus()[kindIndex];
  size_t packed = 0;
  std::vector<uint8_t> out;
  for (auto _ : state) {
    packed = 0;
    for (const auto& file : ks.kind->files) {
      out.clear();
      LzhEncode(file.data(), file.size(), out, parse);
      packed += out.size();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ks.bytes));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(ks.bytes);
  state.counters["packed"] = static_cast<double>(packed);
  state.counters["bytes"] = static_cast<double>(ks.bytes);
}

// Checks once that both decoders give every file back before anything is timed.
bool CheckCorpus() {
  auto decoder = std::make_unique<LzhDecoder>();
  auto reference = std::make_unique<ReferenceDecoder>();
  for (const KindStreams& ks : Corpus()) {
    for (size_t f = 0; f < ks.streams.size(); ++f) {
      const auto& file = ks.kind->files[f];
      for (int which = 0; which < 2; ++which) {
        std::vector<uint8_t> got;
        got.reserve(file.size());
        auto out = [&](uint32_t v) {
          if (v != FlushMarker) got.push_back(static_cast<uint8_t>(v));
        };
        MemoryInput input{ks.streams[f].data()};
        uint32_t c = static_cast<uint32_t>(ks.streams[f].size());
        uint32_t u = static_cast<uint32_t>(file.size());
        if (which == 0) decoder->Decode(c, u, input, out);
        else reference->Decode(c, u, input, out);
        if (got != file) {
          std::fprintf(stderr, "%s file %zu does not decode back\n", ks.name.c_str(), f);
          return false;
        }
      }
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!CheckCorpus()) return 1;
  const auto& corpus = Corpus();
  for (size_t k = 0; k < corpus.size(); ++k) {
    const std::string& name = corpus[k].name;
    benchmark::RegisterBenchmark(("decode/reference/" + name).c_str(),
                                 [k](benchmark::State& s) { DecodeKind<ReferenceDecoder>(s, k); })
        ->Unit(benchmark::kMillisecond)->MinTime(0.5);
    benchmark::RegisterBenchmark(("decode/lzh/" + name).c_str(),
                                 [k](benchmark::State& s) { DecodeKind<LzhDecoder>(s, k); })
        ->Unit(benchmark::kMillisecond)->MinTime(0.5);
  }
  for (size_t k = 0; k < corpus.size(); ++k) {
    const std::string& name = corpus[k].name;
    benchmark::RegisterBenchmark(("encode/greedy/" + name).c_str(),
                                 [k](benchmark::State& s) { EncodeKind(s, k, LzhParse::Greedy); })
        ->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark(("encode/lzh/" + name).c_str(),
                                 [k](benchmark::State& s) { EncodeKind(s, k, LzhParse::Optimal); })
        ->Unit(benchmark::kMillisecond)->Iterations(1);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
