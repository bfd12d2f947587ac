// The magnetic variation and minimum safe altitude tables. The simulator uses
// them as they are and the assembler cannot build them, so they are only
// reported; their contents are never read.
#pragma once

#include "core/BglSection.h"

namespace skarn {

class MagvarSection : public BglSection {
 public:
  MagvarSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) {}
  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
};

class MsaSection : public BglSection {
 public:
  MsaSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) {}
  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
};

}  // namespace skarn
