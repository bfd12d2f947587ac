// Throughput of open + summary and of disassembly on a generated file of
// procedural objects (tens of MB by default; --size_mb=N to change).
//
//   skarn_bench [--size_mb=32] [google benchmark flags]
//   skarn_bench --size_mb=64 --save=FILE   writes the file and exits, for timing
//                                          the command line beside cat and objdump
//
// Disassembly is reported in MB/s of source text written.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Examples.h"
#include "FuzzHost.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"

namespace {

using skarn::test::Bytes;

size_t g_sizeMb = 32;

// A program of the commands that make up most scenery: a guarded call, a
// bitmap, colours, points, polygons, surfaces and lines.
Bytes Program(int seed) {
  Bytes body;
  body.u8(0x18).u8(0).i16(0).i16(0).i16(0).i16(0).text("tex" + std::to_string(seed % 97) + ".bmp", 12).zeros(2);
  body.u8(0x2D).u8(0).u8(0xF0).u8(static_cast<uint32_t>(seed & 0xFF)).u8(0x34).u8(0x56);
  body.u8(0x1A).u8(0).i16(0).i16(8);
  for (int i = 0; i < 8; ++i) body.i16(i * 10 - seed % 50).i16(i).i16(-i * 7);
  body.u8(0x3E).u8(0).i16(10).i16(0).i16(1).i16(0).i32(65536 * 5);
  for (int i = 0; i < 10; ++i) body.i16(i);
  body.u8(0x05).u8(0);
  for (int i = 0; i < 6; ++i) body.u8(i == 0 ? 0x06 : 0x07).u8(0).i16(i * 3).i16(seed % 11).i16(-i * 5);
  body.u8(0x08).u8(0);
  body.u8(0x22).u8(0);
  Bytes code;
  code.u8(0x24).u8(0).i16(static_cast<int32_t>(10 + body.size() - 2)).u16(0x0346).i16(0).i16(100);
  return code.append(body);
}

std::vector<uint8_t> BuildFile(size_t targetBytes) {
  // Bands of objects until the file reaches its size.
  Bytes objects;
  std::vector<uint32_t> bandStarts;
  int n = 0;
  const size_t perBand = 2000;
  while (objects.size() < targetBytes) {
    bandStarts.push_back(static_cast<uint32_t>(objects.size()));
    for (size_t i = 0; i < perBand && objects.size() < targetBytes; ++i, ++n) {
      // Positions scattered over the band, as real scenery lists them.
      const uint32_t h = static_cast<uint32_t>(n) * 2654435761u;
      objects.append(skarn::test::Object06(5278701 + static_cast<int32_t>(h % 200000u) * 4,
                                           101412045 + static_cast<int32_t>((h >> 7) % 1000000u) * 977, 100,
                                           Program(n)));
    }
    objects.u8(0);
  }
  const uint32_t tableSize = static_cast<uint32_t>(bandStarts.size() * 9 + 1);
  Bytes proc;
  for (size_t i = 0; i < bandStarts.size(); ++i) {
    proc.u8(0x15).i16(10310).i16(10312).u32(tableSize + bandStarts[i]);
  }
  proc.u8(0).append(objects);
  skarn::test::BglBuilder b;
  b.Section(0x3A, proc);
  return b.Build();
}

const std::vector<uint8_t>& File() {
  static const std::vector<uint8_t> file = BuildFile(g_sizeMb << 20);
  return file;
}

void BM_OpenAndSummary(benchmark::State& state) {
  const std::vector<uint8_t>& file = File();
  for (auto _ : state) {
    skarn::fuzz::FuzzHost host(true);
    skarn::CSkarnDoc doc(host);
    std::vector<uint8_t> copy = file;
    benchmark::DoNotOptimize(doc.OpenImage(std::move(copy), "bench.bgl"));
    benchmark::DoNotOptimize(doc.summary().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(static_cast<size_t>(state.iterations()) * file.size()));
}
BENCHMARK(BM_OpenAndSummary)->Unit(benchmark::kMillisecond);

// The same file opened from disk (mapped where the system allows), beside
// reading it through a 128 KiB buffer as cat does.
std::string g_diskPath;  // removed when the run ends

const std::string& FileOnDisk() {
  if (g_diskPath.empty()) {
    const std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("skarn_bench_" + std::to_string(std::random_device()()) + ".bgl");
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(File().data()), static_cast<std::streamsize>(File().size()));
    g_diskPath = p.string();
  }
  return g_diskPath;
}

void BM_ReadFileLikeCat(benchmark::State& state) {
  std::vector<char> buffer(128 * 1024);
  size_t total = 0;
  for (auto _ : state) {
    std::FILE* f = std::fopen(FileOnDisk().c_str(), "rb");
    if (f == nullptr) {
      state.SkipWithError("cannot open the file");
      return;
    }
    std::setvbuf(f, nullptr, _IONBF, 0);
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) != 0) total += got;
    std::fclose(f);
  }
  benchmark::DoNotOptimize(total);
  state.SetBytesProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_ReadFileLikeCat)->Unit(benchmark::kMillisecond);

void BM_OpenFileAndSummary(benchmark::State& state) {
  for (auto _ : state) {
    skarn::fuzz::FuzzHost host(true);
    skarn::CSkarnDoc doc(host);
    benchmark::DoNotOptimize(doc.Open(FileOnDisk()));
    benchmark::DoNotOptimize(doc.summary().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(static_cast<size_t>(state.iterations()) * File().size()));
}
BENCHMARK(BM_OpenFileAndSummary)->Unit(benchmark::kMillisecond);

// Counts the bytes written, discards them.
class CountingHost : public skarn::fuzz::FuzzHost {
 public:
  CountingHost() : FuzzHost(true) {}
  std::unique_ptr<skarn::ByteSink> OpenOutput(const std::string&, std::string*) override {
    auto sink = std::make_unique<Counter>(this);
    return sink;
  }
  size_t written = 0;

 private:
  class Counter : public skarn::ByteSink {
   public:
    explicit Counter(CountingHost* h) : h_(h) {}
    void Write(const char*, size_t size) override { h_->written += size; }
    void Commit() override {}
    void Abort() noexcept override {}

   private:
    CountingHost* h_;
  };
};

void BM_Disassemble(benchmark::State& state) {
  CountingHost host;
  skarn::CSkarnDoc doc(host);
  std::vector<uint8_t> copy = File();
  if (!doc.OpenImage(std::move(copy), "bench.bgl")) {
    state.SkipWithError("analysis failed");
    return;
  }
  size_t text = 0;
  for (auto _ : state) {
    host.written = 0;
    skarn::Disassemble(doc);
    text += host.written;
  }
  state.SetBytesProcessed(static_cast<int64_t>(text));
  state.counters["input_MB/s"] = benchmark::Counter(static_cast<double>(static_cast<size_t>(state.iterations()) * File().size()) / 1e6,
                                                    benchmark::Counter::kIsRate);
  state.counters["text_bytes"] = static_cast<double>(host.written);
}
BENCHMARK(BM_Disassemble)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Our own flag first; the rest goes to the benchmark library.
  std::vector<char*> rest;
  const char* save = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--size_mb=", 10) == 0) {
      g_sizeMb = static_cast<size_t>(std::strtoul(argv[i] + 10, nullptr, 10));
      if (g_sizeMb == 0) g_sizeMb = 1;
    } else if (std::strncmp(argv[i], "--save=", 7) == 0) {
      save = argv[i] + 7;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (save != nullptr) {
    const std::vector<uint8_t>& file = File();
    std::FILE* f = std::fopen(save, "wb");
    const bool ok = f != nullptr && std::fwrite(file.data(), 1, file.size(), f) == file.size();
    if (f == nullptr || std::fclose(f) != 0 || !ok) {
      std::fprintf(stderr, "cannot write %s\n", save);
      return 1;
    }
    return 0;
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!g_diskPath.empty()) std::filesystem::remove(g_diskPath);
  return 0;
}
