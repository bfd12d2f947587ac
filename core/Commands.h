// The document's commands that write files: Disassemble and Save As.
#pragma once

#include <functional>
#include <string>

namespace skarn {

class CSkarnDoc;
class OutputError;
class SourceWriter;

enum class CommandResult {
  kWritten,    // the output file is complete
  kCancelled,  // the user chose no output path; nothing was written
  kFailed,     // reported to the user; nothing was written
};

// The frame of every command that writes one text file: the host chooses the
// path (proposed name, filter, overwrite prompt), which becomes the document's
// output path; w is opened there, body writes, w is closed. A failed open or
// write is reported and leaves no file behind.
CommandResult WriteOutputFile(CSkarnDoc& doc, SourceWriter& w, const std::string& proposed, const char* filter,
                              const std::function<void()>& body);

// Writes the analysed file as SCASM source (or BGLC source for terrain data).
CommandResult Disassemble(CSkarnDoc& doc);
// Writes the summary lines to a text file, each followed by a line end.
CommandResult SaveSummary(CSkarnDoc& doc);

// "Error: Unable to open output file: PATH: REASON".
std::string OutputOpenFailureText(const std::string& path, const std::string& reason);
// "Error: Unable to write output file: PATH: REASON" (the error's text is
// "PATH: REASON").
std::string OutputWriteFailureText(const OutputError& e);

// The output name proposed beside the input: the file name cut before its
// last "." with the suffix appended (scenery.bgl + ".sca" gives scenery.sca).
std::string ProposedName(const std::string& fileName, const std::string& suffix);

extern const char* const kScasmFilter;
extern const char* const kBglcFilter;
extern const char* const kTextFilter;

}  // namespace skarn
