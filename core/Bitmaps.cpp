#include "core/Bitmaps.h"


#include "core/SkarnDoc.h"
#include "sections/nav/LibrarySection.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn {

const char* const kBitmapListFilter = "Textfiles (*.txt)|*.txt|All Files (*.*)|*.*||";

namespace {

constexpr int kProceduralSlot = 9;
constexpr int kLibrarySlot = 10;

}  // namespace

CommandResult ExtractBitmaps(CSkarnDoc& doc) {
  auto* procedural = dynamic_cast<ProceduralSection*>(doc.section(kProceduralSlot));
  auto* library = dynamic_cast<LibrarySection*>(doc.section(kLibrarySlot));
  if (procedural == nullptr && library == nullptr) {
    doc.Report("BGL-file contains no procedure section and no library");
    return CommandResult::kFailed;
  }

  SourceWriter& w = doc.writer();
  return WriteOutputFile(doc, w, ProposedName(doc.fileName(), "_Bitmap.txt"), kBitmapListFilter,
                         [&doc, &w, procedural, library] {
                           w.WriteSeparator();
                           // The middle text begins with a blank, so two blanks follow the
                           // file name; the time text brings its own line feed, so an empty
                           // line follows.
                           w.SetLine("; %s %s %s\n", doc.fileName().c_str(), " bitmap files listed on",
                                     CTimeText(doc.host().Now()).c_str());
                           w.FlushLine();
                           w.WriteSeparator();
                           if (procedural != nullptr) procedural->ListBitmaps();
                           if (library != nullptr) library->ListBitmaps();
                         });
}

}  // namespace skarn
