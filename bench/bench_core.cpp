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
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Generate.h"
#include "Examples.h"
#include "FuzzHost.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"

namespace {

using skarn::test::Bytes;

size_t g_sizeMb = 32;

const std::vector<uint8_t>& File() {
  static const std::vector<uint8_t> file = skarn::bench::ProceduralFile(g_sizeMb << 20);
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

// Writes the generated file to path; false when it could not be written.
bool SaveFile(const std::string& path) {
  const std::vector<uint8_t>& file = File();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  const bool ok = f != nullptr && std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return f != nullptr && std::fclose(f) == 0 && ok;
}

const std::string& FileOnDisk() {
  if (g_diskPath.empty()) {
    const std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("skarn_bench_" + std::to_string(std::random_device()()) + ".bgl");
    if (!SaveFile(p.string())) std::fprintf(stderr, "cannot write %s\n", p.string().c_str());
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
    if (!SaveFile(save)) {
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
