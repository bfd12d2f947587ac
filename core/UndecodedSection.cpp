#include "core/UndecodedSection.h"

#include "core/Format.h"
#include "core/SkarnDoc.h"

namespace skarn {

void UndecodedSection::Summarize(std::vector<std::string>& lines) {
  lines.push_back(Format("File contains a %s section at 0x%llX (not decoded by this version)", SlotName(slot_),
                         static_cast<unsigned long long>(data_)));
}

void UndecodedSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.Printf("; %s section at 0x%llX is not decoded by this version\n", SlotName(slot_),
              static_cast<unsigned long long>(data_));
  out_.WriteSeparator();
}

}  // namespace skarn
