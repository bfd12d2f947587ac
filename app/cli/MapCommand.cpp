// skarn map: the map of what files and folders hold, as an SVG document.
#include <cstdio>
#include <memory>

#include "app/cli/ScanCommands.h"
#include "app/common/SignalCleanup.h"
#include "core/OutputSink.h"
#include "index/Scan.h"
#include "map/MapScene.h"
#include "map/MapSvg.h"

namespace skarn::cli {

int RunMap(const std::vector<std::string>& args) {
  BatchArgs batch;
  if (const int usage = ParseBatch(args, batch); usage >= 0) return usage;
  if (!batch.haveOut) return UsageError("the map needs an output file: -o MAP.svg (\"-\" for standard output)");
  if (batch.out.empty()) return UsageError("empty output file name");
  SayLayoutAnswer(batch.answer);

  const index::FoundFiles found = index::FindBglFiles(batch.paths);
  BatchTally tally(found.missing);
  map::MapBuilder builder;
  index::ReadAccounts(
      found.files, batch.jobs, batch.answer != 2, nullptr,
      [&](size_t, index::ReadFile& file) {
        tally.Take(file.account);
        if (file.account.read) builder.Add(file.account);
        return true;
      });
  const std::string svg = map::SceneSvg(builder.Compose());

  int result = 0;
  if (batch.out == "-") {
    int err = 0;
    Put(svg, err);
    result = FinishStdout(err);
  } else {
    std::string error;
    std::unique_ptr<ByteSink> sink = OpenOutputFile(batch.out, &shell::SignalCleanup::Install(), &error);
    if (!sink) {
      std::fprintf(stderr, "skarn: %s: %s\n", batch.out.c_str(), error.empty() ? "cannot be created" : error.c_str());
      result = 1;
    } else {
      try {
        sink->Write(svg.data(), svg.size());
        sink->Commit();
      } catch (const OutputError& e) {
        std::fprintf(stderr, "skarn: %s\n", e.what());
        sink->Abort();
        result = 1;
      }
    }
  }
  tally.Report(found.skipped);
  return result != 0 || tally.failed != 0 ? 1 : 0;
}

}  // namespace skarn::cli
