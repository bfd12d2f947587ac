// Name lists of the new-style facility data.
//
// One list per language, each a run of name entries for regions, countries,
// states, cities, airports and radio stations. Airport and station entries
// name their container by its file offset; the source refers to containers by
// the number the object walk gave them, so the lists are written after that
// walk, from its offset table.
#pragma once

#include <cstdint>
#include <string>

#include "core/ByteReader.h"
#include "core/SourceWriter.h"

namespace skarn {

class AirportFacilitySection;

// Writes the Namelist( blocks of the area at file offset area (0: there are
// none). objects supplies the container numbers of its last object walk.
void WriteNameLists(const ByteReader& img, SourceWriter& out, uint64_t area, const AirportFacilitySection& objects);

// The 0-terminated text at file offset at, as stored. False when no 0 byte
// ends it inside the image (text is then left empty).
bool TerminatedText(const ByteReader& img, uint64_t at, std::string& text);

}  // namespace skarn
