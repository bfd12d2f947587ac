// The map of a large library: composing the scene of many located features
// of mixed kinds, and writing it as SVG.
#include <benchmark/benchmark.h>

#include <string>

#include "map/MapScene.h"
#include "map/MapSvg.h"

namespace {

// files files of n features each, spread over a few degrees.
skarn::map::MapBuilder Library(int files, int n) {
  static const char* const kinds[] = {"vor", "ndb", "object", "object", "object", "exclusion", "runway", "atis"};
  skarn::map::MapBuilder b;
  for (int f = 0; f < files; ++f) {
    skarn::FileAccount a;
    a.path = a.fileName = "f" + std::to_string(f) + ".bgl";
    a.read = true;
    a.south = 45.0 + f % 10 * 0.5;
    a.north = a.south + 0.5;
    a.west = 5.0 + f / 10 * 0.5;
    a.east = a.west + 0.5;
    for (int i = 0; i < n; ++i) {
      skarn::AccountFeature x;
      x.kind = kinds[i % 8];
      x.lat = a.south + (i * 7919 % 1000) / 2000.0;
      x.lon = a.west + (i * 104729 % 1000) / 2000.0;
      x.ident = "ID" + std::to_string(i % 1000);
      x.Number("frequency", 110.0).Number("radius", 2).Number("heading", 90).Number("length", 2000).Number("width", 45);
      x.Number("north", x.lat + 0.01).Number("south", x.lat).Number("west", x.lon).Number("east", x.lon + 0.01);
      a.features.push_back(x);
    }
    b.Add(a);
  }
  return b;
}

void BM_MapComposeAndSvg(benchmark::State& state) {
  const skarn::map::MapBuilder b = Library(100, static_cast<int>(state.range(0)) / 100);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string svg = skarn::map::SceneSvg(b.Compose());
    bytes = svg.size();
    benchmark::DoNotOptimize(svg.data());
  }
  state.counters["svg_MB"] = static_cast<double>(bytes) / 1e6;
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MapComposeAndSvg)->Arg(10000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
