// Not decoded yet: the section is reported as such.
#include "core/SectionFactory.h"
#include "core/UndecodedSection.h"

namespace skarn {

std::unique_ptr<BglSection> MakeVorSection(CSkarnDoc& doc, uint64_t start, int32_t, int32_t) {
  return std::make_unique<UndecodedSection>(doc, start, 0);
}

}  // namespace skarn
