// Writes a generated scenery library for the scan benchmark: nested folders
// of BGL files (procedural scenery of varied sizes, some compressed, some
// with radio stations, a few cut short), and a few other files.
//
//   skarn_make_library DIR [--files=2000] [--size_mb=600]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Compressor.h"
#include "Generate.h"

namespace {

namespace fs = std::filesystem;
using skarn::test::Bytes;

// Beacons in one band, so the files have stations to index as well.
Bytes NdbSection(int n) {
  std::vector<Bytes> beacons;
  for (int i = 0; i < 20; ++i) {
    Bytes b;
    b.u8(4).raw({0x45, 0x03, 0x50}).u24(static_cast<uint32_t>(1000000 + n * 37 + i)).u24(static_cast<uint32_t>(2000000 + i * 101));
    b.i16(300).u8(25).text("N" + std::to_string((n * 20 + i) % 1000), 5).text("BEACON", 24);
    beacons.push_back(b);
  }
  return skarn::test::BandedSection({beacons}, 0, 20, 20);
}

bool WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: skarn_make_library DIR [--files=N] [--size_mb=M]\n", stderr);
    return 2;
  }
  const fs::path dir = argv[1];
  long files = 2000;
  long sizeMb = 600;
  for (int i = 2; i < argc; ++i) {
    if (std::strncmp(argv[i], "--files=", 8) == 0) files = std::atol(argv[i] + 8);
    if (std::strncmp(argv[i], "--size_mb=", 10) == 0) sizeMb = std::atol(argv[i] + 10);
  }
  const size_t average = static_cast<size_t>(sizeMb) * 1000000 / static_cast<size_t>(files);
  for (long n = 0; n < files; ++n) {
    const fs::path folder = dir / ("region" + std::to_string(n % 7)) / ("area" + std::to_string(n % 31));
    fs::create_directories(folder);
    // Sizes from half to one and a half times the average.
    const size_t size = average / 2 + (static_cast<size_t>(n) * 7919 % 1000) * average / 1000;
    std::vector<uint8_t> bytes = skarn::bench::ProceduralFile(size, static_cast<int>(n * 1000));
    if (n % 5 == 0) {
      // A second section: the beacons after the objects.
      const Bytes ndb = NdbSection(static_cast<int>(n));
      const uint32_t at = static_cast<uint32_t>(bytes.size());
      bytes.insert(bytes.end(), ndb.vec().begin(), ndb.vec().end());
      for (unsigned k = 0; k < 4; ++k) bytes[0x4E + k] = static_cast<uint8_t>(at >> (8 * k));
    }
    if (n % 50 == 7) bytes.resize(bytes.size() / 3);  // cut short
    if (n % 10 == 3) bytes = skarn::test::CompressBgl(bytes);
    const std::string name = "scenery" + std::to_string(n) + (n % 4 == 0 ? ".BGL" : ".bgl");
    if (!WriteBytes(folder / name, bytes)) {
      std::fprintf(stderr, "cannot write %s\n", (folder / name).string().c_str());
      return 1;
    }
    if (n % 100 == 0) WriteBytes(folder / ("readme" + std::to_string(n) + ".txt"), {'t', 'e', 'x', 't', '\n'});
  }
  return 0;
}
