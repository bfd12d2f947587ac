// Throughput of unpacking compressed BGL files, in MB/s of unpacked output,
// on a generated file of procedural scenery (4 MB by default; --size_mb=N to
// change). zlib's inflate of the same bytes runs beside it as a reference
// point when zlib was found at configure time.
//
//   skarn_bench_decompress [--size_mb=4] [google benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Compressor.h"
#include "Examples.h"
#include "decompress/Decompress.h"

#if defined(SKARN_BENCH_ZLIB)
#include <zlib.h>
#endif

namespace {

using skarn::test::Bytes;

// One object's program: a guarded bitmap surface and lines with varying
// coordinates, names and colours, as scenery files hold them.
Bytes Program(std::mt19937& rng) {
  auto coord = [&rng]() { return static_cast<int32_t>(rng() % 2001) - 1000; };
  Bytes body;
  body.u8(0x18).u8(0).i16(0).i16(0).i16(0).i16(0).text("tex" + std::to_string(rng() % 97) + ".bmp", 12).zeros(2);
  body.u8(0x2D).u8(0).u8(0xF0).u8(rng() & 0xFF).u8(rng() & 0xFF).u8(0x56);
  const uint32_t points = 4 + static_cast<uint32_t>(rng() % 12);
  body.u8(0x1A).u8(0).i16(0).i16(static_cast<int32_t>(points));
  for (uint32_t i = 0; i < points; ++i) body.i16(coord()).i16(coord() / 10).i16(coord());
  body.u8(0x05).u8(0);
  for (uint32_t i = 0; i < points; ++i) body.u8(i == 0 ? 0x06 : 0x07).u8(0).i16(coord()).i16(0).i16(coord());
  body.u8(0x08).u8(0);
  body.u8(0x22).u8(0);
  Bytes code;
  code.u8(0x24).u8(0).i16(static_cast<int32_t>(10 + body.size() - 2)).u16(0x0346).i16(0).i16(
      static_cast<int32_t>(rng() % 200));
  return code.append(body);
}

// A plain BGL file of about targetBytes: bands of procedural objects.
std::vector<uint8_t> SceneryFile(size_t targetBytes) {
  std::mt19937 rng(2002);
  Bytes objects;
  std::vector<uint32_t> bandStarts;
  int n = 0;
  while (objects.size() < targetBytes) {
    bandStarts.push_back(static_cast<uint32_t>(objects.size()));
    for (int i = 0; i < 500 && objects.size() < targetBytes; ++i, ++n) {
      objects.append(skarn::test::Object06(5278701 + n * 4 + static_cast<int32_t>(rng() % 64),
                                           101412045 + n * 977, static_cast<uint8_t>(rng() % 200), Program(rng)));
    }
    objects.u8(0);
  }
  const uint32_t tableSize = static_cast<uint32_t>(bandStarts.size() * 9 + 1);
  Bytes proc;
  for (const uint32_t start : bandStarts) proc.u8(0x15).i16(10310).i16(10312).u32(tableSize + start);
  proc.u8(0).append(objects);
  skarn::test::BglBuilder b;
  b.Section(0x3A, proc);
  return b.Build();
}

struct Data {
  std::vector<uint8_t> plain;       // the unpacked file
  std::vector<uint8_t> compressed;  // its compressed form
  std::vector<uint8_t> zlib;        // the bytes after the header, deflated
};

void SetRates(benchmark::State& state, size_t outputBytes, size_t inputBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(static_cast<size_t>(state.iterations()) * outputBytes));
  state.counters["ratio"] = static_cast<double>(outputBytes) / static_cast<double>(inputBytes);
}

void BM_UnpackStream(benchmark::State& state, const Data& d) {
  const size_t header = 128;
  const size_t unpacked = d.plain.size() - header;
  const uint8_t* stream = d.compressed.data() + header + skarn::kBlockHeaderSize;
  const size_t streamLength = d.compressed.size() - header - skarn::kBlockHeaderSize;
  std::vector<uint8_t> out(unpacked);
  for (auto _ : state) {
    const std::optional<size_t> n = skarn::UnpackStream(stream, streamLength, out.data(), unpacked);
    if (!n) {
      state.SkipWithError("the stream did not decode");
      return;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  SetRates(state, unpacked, streamLength);
}

// The whole file form: checks, the block's allocation and the header copy.
void BM_DecompressBgl(benchmark::State& state, const Data& d) {
  for (auto _ : state) {
    size_t size = 0;
    std::vector<uint8_t> block;
    if (skarn::DecompressBgl(d.compressed.data(), d.compressed.size(), &size, &block) != skarn::kDecompressOk) {
      state.SkipWithError("the file did not decompress");
      return;
    }
    benchmark::DoNotOptimize(block.data());
  }
  SetRates(state, d.plain.size(), d.compressed.size());
}

#if defined(SKARN_BENCH_ZLIB)
void BM_ZlibInflate(benchmark::State& state, const Data& d) {
  const size_t unpacked = d.plain.size() - 128;
  std::vector<uint8_t> out(unpacked);
  for (auto _ : state) {
    uLongf outLen = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &outLen, d.zlib.data(), static_cast<uLong>(d.zlib.size())) != Z_OK ||
        outLen != out.size()) {
      state.SkipWithError("zlib did not inflate");
      return;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  SetRates(state, unpacked, d.zlib.size());
}
#endif

}  // namespace

int main(int argc, char** argv) {
  // Our own flag first; the rest goes to the benchmark library.
  size_t sizeMb = 4;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--size_mb=", 10) == 0) {
      sizeMb = static_cast<size_t>(std::strtoul(argv[i] + 10, nullptr, 10));
      if (sizeMb == 0) sizeMb = 1;
    } else {
      rest.push_back(argv[i]);
    }
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());

  Data d;
  d.plain = SceneryFile(sizeMb << 20);
  d.compressed = skarn::test::CompressBgl(d.plain);
  benchmark::RegisterBenchmark("BM_UnpackStream", BM_UnpackStream, std::cref(d))->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_DecompressBgl", BM_DecompressBgl, std::cref(d))->Unit(benchmark::kMillisecond);
#if defined(SKARN_BENCH_ZLIB)
  uLongf zlibLen = compressBound(static_cast<uLong>(d.plain.size()));
  d.zlib.resize(zlibLen);
  if (compress2(d.zlib.data(), &zlibLen, d.plain.data() + 128, static_cast<uLong>(d.plain.size() - 128),
                Z_DEFAULT_COMPRESSION) == Z_OK) {
    d.zlib.resize(zlibLen);
    benchmark::RegisterBenchmark("BM_ZlibInflate", BM_ZlibInflate, std::cref(d))->Unit(benchmark::kMillisecond);
  }
#endif
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
