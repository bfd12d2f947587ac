// Fuzz target: analyse arbitrary bytes as a BGL file, then disassemble it,
// save its summary and list its bitmaps. Nothing may crash, hang or read
// outside the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzHost.h"
#include "core/Bitmaps.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The last byte picks the answer to the one question a run can ask.
  skarn::fuzz::FuzzHost host(size > 0 && (data[size - 1] & 1) != 0);
  skarn::CSkarnDoc doc(host);
  if (doc.OpenImage(std::vector<uint8_t>(data, data + size), "fuzz.bgl")) {
    skarn::Disassemble(doc);
    skarn::SaveSummary(doc);
    skarn::ExtractBitmaps(doc);
  }
  return 0;
}
