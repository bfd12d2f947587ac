// Not decoded yet: the section is reported as such.
#include "core/SectionFactory.h"
#include "core/UndecodedSection.h"

namespace skarn {

std::unique_ptr<BglSection> MakeDynamicSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<UndecodedSection>(doc, start, 15);
}

}  // namespace skarn
