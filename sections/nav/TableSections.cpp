#include "sections/nav/TableSections.h"

namespace skarn {

void MagvarSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("File contains magnetic variation table");
}

void MagvarSection::WriteSource() {
  out_.WriteText("\n");
  out_.WriteSeparator();
  out_.WriteText("; Magnetic variation table\n");
  out_.WriteSeparator();
  out_.WriteText(
      "; SCASM has no instructions to build the magnetic variation table\n"
      "; which should be left unmodified for FS98 and FS2000\n");
  out_.WriteSeparator();
}

void MsaSection::Summarize(std::vector<std::string>& lines) { lines.emplace_back("File contains MSA table"); }

void MsaSection::WriteSource() {
  out_.WriteText("\n");
  out_.WriteSeparator();
  out_.WriteText("; MSA section\n");
  out_.WriteSeparator();
  out_.WriteText(
      "; SCASM has no instructions to build the MSA table\n"
      "; which should be left unmodified for FS2000\n");
  out_.WriteSeparator();
}

}  // namespace skarn
