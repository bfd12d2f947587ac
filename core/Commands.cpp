#include "core/Commands.h"

#include <new>
#include <optional>

#include "core/Format.h"
#include "core/SkarnDoc.h"

namespace skarn {

const char* const kScasmFilter = "SCASM source files (*.sca, *.scm)|*.sca;*.scm|All Files (*.*)|*.*||";
const char* const kBglcFilter = "BGLC source files (*.asm, *.txt)|*.asm;*.txt|All Files (*.*)|*.*||";
const char* const kTextFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

std::string ProposedName(const std::string& fileName, const std::string& suffix) {
  const size_t dot = fileName.rfind('.');
  return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + suffix;
}

CommandResult WriteOutputFile(CSkarnDoc& doc, SourceWriter& w, const std::string& proposed, const char* filter,
                              const std::function<void()>& body) {
  const std::optional<std::string> path = doc.host().ChooseOutputPath(proposed, filter, true);
  if (!path) return CommandResult::kCancelled;
  doc.outputPath = *path;
  std::string error;
  if (!w.Open(doc.host().OpenOutput(*path, &error))) {
    doc.Report(OutputOpenFailureText(*path, error));
    return CommandResult::kFailed;
  }
  w.SetLimit(doc.OutputAllowance());
  // A failed write ends the command, and the half-written file is discarded.
  try {
    body();
    w.Close();
    return CommandResult::kWritten;
  } catch (const OutputError& e) {
    w.Abort();
    doc.Report(OutputWriteFailureText(e));
  } catch (const OutputLimitError& e) {
    w.Abort();
    doc.Report(OutputWriteFailureText(OutputError(*path, std::string(e.what()) + "; nothing is written")));
  } catch (const std::bad_alloc&) {
    w.Abort();
    doc.Report("Error: not enough memory to write output file: " + *path);
  }
  return CommandResult::kFailed;
}

std::string OutputOpenFailureText(const std::string& path, const std::string& reason) {
  return "Error: Unable to open output file: " + path + ": " + (reason.empty() ? "cannot be created" : reason);
}

std::string OutputWriteFailureText(const OutputError& e) {
  return std::string("Error: Unable to write output file: ") + e.what();
}

namespace {

void WriteScasmHead(CSkarnDoc& doc) {
  SourceWriter& w = doc.writer();
  const ByteReader& img = doc.image();
  GeoText& geo = doc.geo();
  w.SetLine("Header( %d ", img.I16(hdr::kVisType));
  w.line += geo.Lat32Text(img.I32(hdr::kNorth));
  w.line += geo.Lat32Text(img.I32(hdr::kSouth));
  w.line += geo.Lon32Text(img.I32(hdr::kEast));
  w.line += geo.Lon32Text(img.I32(hdr::kWest));
  w.line += " )\n";
  w.FlushLine();
  w.SetLine("LatRange( %s ", geo.Lat32Text(img.I32(hdr::kSouth)));
  w.line += geo.Lat32Text(img.I32(hdr::kNorth));
  w.line += " )\n";
  w.FlushLine();
  w.WriteLine("; since SCASM does not support multiple latitude ranges");
  w.WriteLine("; the range has been set to the minimum/maximum latitude.");
  w.WriteLine("; LatRange information in the BGL file is given as comment.");
  w.WriteLine("; If you want to use band separation, you must edit");
  w.WriteLine("; the source file manually.");
  w.WriteNewline();
  w.WriteText(
      "; Insert the \"Set( FSVers 0x800 )\" instruction at the beginning\n"
      "; of the file, if you want to use the FS2002 instructions\n"
      "; for the facilities section\n");
  w.WriteText(
      "mif( [$Version < 285] )\n"
      "   Error( You need at least SCASM version 2.85 to compile this code )\n"
      "mifend\n");
}

}  // namespace

CommandResult Disassemble(CSkarnDoc& doc) {
  const bool bglc = doc.terrain();
  const std::string proposed = ProposedName(doc.fileName(), bglc ? ".asm" : ".sca");
  return WriteOutputFile(doc, doc.writer(), proposed, bglc ? kBglcFilter : kScasmFilter, [&doc, bglc] {
    SourceWriter& w = doc.writer();
    w.WriteSeparator();
    w.SetLine("; %s disassembled by Skarn on %s\n", doc.fileName().c_str(),
              CTimeText(doc.host().Now()).c_str());
    w.FlushLine();
    w.WriteSeparator();
    if (bglc) {
      if (BglSection* terrain = doc.section(8)) terrain->WriteSource();
      return;
    }
    WriteScasmHead(doc);
    for (int slot = 0; slot < CSkarnDoc::kSlots; ++slot) {
      if (BglSection* s = doc.section(slot)) s->WriteSource();
    }
    w.WriteSeparator();
    w.WriteLine("; end of SCASM source");
  });
}

CommandResult SaveSummary(CSkarnDoc& doc) {
  // A writer of its own: the summary file is an output apart from the source.
  SourceWriter w;
  return WriteOutputFile(doc, w, ProposedName(doc.fileName(), ".txt"), kTextFilter, [&doc, &w] {
    for (const std::string& line : doc.summary()) w.WriteLine(line);
  });
}

}  // namespace skarn
