#include "core/BglSection.h"

#include <cstring>

#include "core/SkarnDoc.h"

namespace skarn {

BglSection::BglSection(CSkarnDoc& doc, uint64_t start)
    : doc_(doc), img_(doc.image()), out_(doc.writer()), data_(start) {}

BglSection::~BglSection() = default;

void BglSection::WriteBand(uint32_t) {}

Host& BglSection::host() const { return doc_.host(); }

void BglSection::SetName(const char* name) {
  std::strncpy(name_, name, sizeof name_ - 1);
  name_[sizeof name_ - 1] = '\0';
}

void BglSection::BandWalk(uint64_t table, BglSection& target) {
  out_.WriteNewline();
  for (uint64_t entry = table;; entry += 9) {
    if (!img_.Has(entry, 1)) {
      out_.Printf("; Error: LatBand table at %llX runs past the end of the file\n",
                  static_cast<unsigned long long>(entry - table));
      return;
    }
    const uint8_t id = img_.U8(entry);
    if (id == 0) return;
    if (id != 0x15) {
      // No line end: the text stands as it always has in these files.
      out_.Printf("; Error: unknown ID in LatBand table at %llX", static_cast<unsigned long long>(entry - table));
      return;
    }
    if (!img_.Has(entry, 9)) {
      out_.Printf("; Error: LatBand table at %llX runs past the end of the file\n",
                  static_cast<unsigned long long>(entry - table));
      return;
    }
    out_.WriteNewline();
    out_.line = "; LatRange( ";
    out_.line += geo_.LatText(GeoText::Lat16(img_.I16(entry + 1)));
    out_.line += " ";
    out_.line += geo_.LatText(GeoText::Lat16(img_.I16(entry + 3)));
    out_.line += " )\n";
    out_.FlushLine();
    out_.WriteSeparator();
    target.WriteBand(img_.U32(entry + 5));
  }
}

}  // namespace skarn
