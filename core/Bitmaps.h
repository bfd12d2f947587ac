// The Extract Bitmaps command: a text file listing the bitmap (texture) files
// a scenery file uses, so that a user can collect the textures that belong
// to it.
//
// Bitmap names occur only in scenery command programs, that is in the
// procedural scenery section and in the library objects; both are walked in
// list-only mode, in which nothing but the bitmap commands writes (and the
// procedural section its latitude-band comments). Names are listed in the
// order met, repeats included.
#pragma once

#include "core/Commands.h"

namespace skarn {

class CSkarnDoc;

extern const char* const kBitmapListFilter;

// Writes the bitmap list of the analysed file. Fails with a message, before
// any dialog, when the file has neither a procedural nor a library section.
CommandResult ExtractBitmaps(CSkarnDoc& doc);
// Whether the analysed file has a section whose programs the list walks.
bool HasBitmapList(const CSkarnDoc& doc);
// Writes every section's bitmap names to the document's open writer.
void ListAllBitmaps(CSkarnDoc& doc);

}  // namespace skarn
