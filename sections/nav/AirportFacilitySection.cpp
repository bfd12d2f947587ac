// Not decoded yet: the section is reported as such.
#include "core/SectionFactory.h"
#include "core/UndecodedSection.h"

namespace skarn {

std::unique_ptr<BglSection> MakeAirportFacilitySection(CSkarnDoc& doc, uint64_t start, uint64_t) {
  return std::make_unique<UndecodedSection>(doc, start, 20);
}

}  // namespace skarn
