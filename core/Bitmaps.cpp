#include "core/Bitmaps.h"

#include <new>
#include <optional>
#include <string>

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

  Host& host = doc.host();
  const std::optional<std::string> path =
      host.ChooseOutputPath(ProposedName(doc.fileName(), "_Bitmap.txt"), kBitmapListFilter, true);
  if (!path) return CommandResult::kCancelled;
  doc.outputPath = *path;
  SourceWriter& w = doc.writer();
  std::string error;
  if (!w.Open(host.OpenOutput(*path, &error))) {
    doc.Report("Error: Unable to open output file");
    return CommandResult::kFailed;
  }

  // A failed write ends the command, and the half-written file is discarded.
  try {
    w.WriteSeparator();
    // The middle text begins with a blank, so two blanks follow the file
    // name; the time text brings its own line feed, so an empty line follows.
    w.SetLine("; %s %s %s\n", doc.fileName().c_str(), " bitmap files listed on", CTimeText(host.Now()).c_str());
    w.FlushLine();
    w.WriteSeparator();
    if (procedural != nullptr) procedural->ListBitmaps();
    if (library != nullptr) library->ListBitmaps();
    w.Close();
    return CommandResult::kWritten;
  } catch (const OutputError& e) {
    w.Abort();
    doc.Report(std::string("Error: Unable to write output file: ") + e.what());
  } catch (const std::bad_alloc&) {
    w.Abort();
    doc.Report("Error: not enough memory to write output file");
  }
  return CommandResult::kFailed;
}

}  // namespace skarn
