// Fuzz target: arbitrary bytes as a BGL file, through every whole-file
// command: open (with the summary), disassembly, summary file, bitmap list,
// the file's account and unpacking. Nothing may crash, hang or read outside the image. Built
// twice, answering the one question a run can ask ("Is this a FS2000/2002
// .bgl-file?") Yes (SKARN_FUZZ_ANSWER=1) or No (0).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzHost.h"
#include "core/Account.h"
#include "core/Bitmaps.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"
#include "core/Unpack.h"
#include "map/MapScene.h"
#include "map/MapSvg.h"

#if !defined(SKARN_FUZZ_ANSWER)
#error "SKARN_FUZZ_ANSWER (1: Yes, 0: No) must be defined"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  skarn::fuzz::FuzzHost host(SKARN_FUZZ_ANSWER != 0);
  {
    skarn::CSkarnDoc doc(host);
    if (doc.OpenImage(std::vector<uint8_t>(data, data + size), "fuzz.bgl")) {
      skarn::Disassemble(doc);
      skarn::SaveSummary(doc);
      skarn::ExtractBitmaps(doc);
      // The account and its map: the SVG must be well-formed UTF-8 whatever
      // the file's names hold.
      skarn::FileAccount account;
      skarn::DescribeFile(doc, account);
      skarn::map::MapBuilder builder;
      builder.Add(account);
      const std::string svg = skarn::map::SceneSvg(builder.Compose());
      std::string expected = svg;
      for (char& c : expected) c = c == '\r' ? '?' : c;
      if (skarn::map::CleanText(svg) != expected) __builtin_trap();
    } else {
      // The account of a file that does not open holds only its problem.
      skarn::FileAccount account;
      skarn::DescribeFile(doc, account);
    }
  }
  skarn::UnpackToFile(data, size, "fuzz.bgl", host);
  return 0;
}
