// Stand-in for a section whose records this version does not decode yet: the
// summary and the source say so, so the section is never dropped silently.
#pragma once

#include "core/BglSection.h"

namespace skarn {

class UndecodedSection : public BglSection {
 public:
  UndecodedSection(CSkarnDoc& doc, uint64_t start, int slot) : BglSection(doc, start), slot_(slot) {}
  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;

 private:
  int slot_;
};

}  // namespace skarn
