// The window's Source view on a large disassembly: taking the text in (the
// line index), finding a text that is not there (every line read), finding
// the object at an offset, and the rows of one screenful as they are drawn.
#include <benchmark/benchmark.h>

#include <string>

#include "app/gui/GuiLogic.h"

namespace {

// About mb megabytes of source in the shape the disassembler writes.
std::string Source(int mb) {
  std::string text;
  const size_t size = static_cast<size_t>(mb) << 20;
  text.reserve(size + 4096);
  text += "; Procedural scenery\r\n";
  for (unsigned n = 1; text.size() < size; ++n) {
    text += "; ----------------------------------------\r\n; Object # " + std::to_string(n) + ", offset: 0x" +
            std::to_string(n * 40) + " size: 40 bytes (0x0028) \r\n";
    text += "Area( 6 N47:30:00.00 E008:31:12.00 100 )\r\n\tRGBSColor(  12 240 52 86 )\r\n";
    text += "\tMoveTo( -50 0 -50 )\r\n\tDrawTo( 50 0 50 )\r\n\tReturn\r\nEndA\r\n";
  }
  return text;
}

const std::string& Text(int mb) {
  static const std::string text = Source(mb);
  return text;
}

void BM_SourceLines(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    skarn::gui::SourceText source{std::string(text)};
    benchmark::DoNotOptimize(source.lineCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_SourceFindMissing(benchmark::State& state) {
  const skarn::gui::SourceText source{std::string(Text(static_cast<int>(state.range(0))))};
  for (auto _ : state) benchmark::DoNotOptimize(skarn::gui::FindLine(source, "not in the text", 0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Text(static_cast<int>(state.range(0))).size()));
}

void BM_SourceGoToOffset(benchmark::State& state) {
  const skarn::gui::SourceText source{std::string(Text(static_cast<int>(state.range(0))))};
  const skarn::gui::SectionStarts starts{0x80, {}};
  for (auto _ : state) benchmark::DoNotOptimize(skarn::gui::FindObjectLine(source, starts, 0x100000));
}

void BM_SourceScreenful(benchmark::State& state) {
  const skarn::gui::SourceText source{std::string(Text(static_cast<int>(state.range(0))))};
  const long long lines = static_cast<long long>(source.lineCount());
  long long top = 0;
  for (auto _ : state) {
    // A screenful of 40 rows of 17 pixels somewhere down the text.
    top = (top + 7919 * 17) % (lines * 17);
    const skarn::gui::RowRange rows = skarn::gui::RowsInBand(top, top + 40 * 17, 17, source.lineCount());
    for (size_t i = rows.first; i < rows.last; ++i) benchmark::DoNotOptimize(skarn::gui::ExpandTabs(source.line(i)));
  }
}

BENCHMARK(BM_SourceLines)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SourceFindMissing)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SourceGoToOffset)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SourceScreenful)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
