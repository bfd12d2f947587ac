// Not decoded yet: the section is reported as such.
#include "core/SectionFactory.h"
#include "core/UndecodedSection.h"

namespace skarn {

std::unique_ptr<BglSection> MakeSeedSection(CSkarnDoc& doc, uint64_t start, int seedNumber) {
  return std::make_unique<UndecodedSection>(doc, start, seedNumber);
}

}  // namespace skarn
