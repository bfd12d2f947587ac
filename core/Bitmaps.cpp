#include "core/Bitmaps.h"

#include "core/SkarnDoc.h"

namespace skarn {

const char* const kBitmapListFilter = "Textfiles (*.txt)|*.txt|All Files (*.*)|*.*||";

void ListAllBitmaps(CSkarnDoc& doc) {
  // In slot order: the procedural section's names, then the library's.
  for (int slot = 0; slot < CSkarnDoc::kSlots; ++slot) {
    if (BglSection* s = doc.section(slot); s != nullptr && s->ListsBitmaps()) s->ListBitmaps();
  }
}

bool HasBitmapList(const CSkarnDoc& doc) {
  for (int slot = 0; slot < CSkarnDoc::kSlots; ++slot) {
    if (const BglSection* s = doc.section(slot); s != nullptr && s->ListsBitmaps()) return true;
  }
  return false;
}

CommandResult ExtractBitmaps(CSkarnDoc& doc) {
  if (!HasBitmapList(doc)) {
    doc.Report("BGL-file contains no procedure section and no library");
    return CommandResult::kFailed;
  }

  SourceWriter& w = doc.writer();
  return WriteOutputFile(doc, w, ProposedName(doc.fileName(), "_Bitmap.txt"), kBitmapListFilter, [&doc, &w] {
    w.WriteSeparator();
    // The middle text begins with a blank, so two blanks follow the file
    // name; the time text brings its own line feed, so an empty line follows.
    w.SetLine("; %s %s %s\n", doc.fileName().c_str(), " bitmap files listed on",
              CTimeText(doc.host().Now()).c_str());
    w.FlushLine();
    w.WriteSeparator();
    ListAllBitmaps(doc);
  });
}

}  // namespace skarn
