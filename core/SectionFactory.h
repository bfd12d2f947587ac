// One maker per section kind, each defined beside its section's decoder. The
// document calls them by slot; a maker may return any BglSection.
#pragma once

#include <cstdint>
#include <memory>

#include "core/BglSection.h"

namespace skarn {

class CSkarnDoc;

std::unique_ptr<BglSection> MakeVorSection(CSkarnDoc& doc, uint64_t start, int32_t firstChannel,
                                           int32_t lastChannel);
std::unique_ptr<BglSection> MakeSeedSection(CSkarnDoc& doc, uint64_t start, int seedNumber);
std::unique_ptr<BglSection> MakeTerrainSection(CSkarnDoc& doc, uint64_t start);
// The library section reads the minimum and maximum object IDs from the
// header (0x56 and 0x5E) itself.
std::unique_ptr<BglSection> MakeLibrarySection(CSkarnDoc& doc, uint64_t start);
std::unique_ptr<BglSection> MakeFacilitySection(CSkarnDoc& doc, uint64_t start);
std::unique_ptr<BglSection> MakeComSection(CSkarnDoc& doc, uint64_t start);
std::unique_ptr<BglSection> MakeNdbSection(CSkarnDoc& doc, uint64_t start);
std::unique_ptr<BglSection> MakeDynamicSection(CSkarnDoc& doc, uint64_t start);
std::unique_ptr<BglSection> MakeMiscSection(CSkarnDoc& doc, uint64_t start);
std::unique_ptr<BglSection> MakeExcludeSection(CSkarnDoc& doc, uint64_t start);
// New-style facilities: the object list and the name lists (file offsets; the
// name lists offset may be 0 or lie outside the file).
std::unique_ptr<BglSection> MakeAirportFacilitySection(CSkarnDoc& doc, uint64_t objectList, uint64_t nameLists);

}  // namespace skarn
