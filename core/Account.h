// The structured account of an opened file (see FileAccount.h).
#pragma once

#include "core/FileAccount.h"

namespace skarn {

class CSkarnDoc;

// Fills the account of the document's file: the header's facts, every
// section with what its Describe adds, the bitmap names its programs use
// (each once, in the order met) and the problems the analysis reported. A
// document whose file could not be read gives an account with read unset and
// its problems. Writes no output file; the bitmap names are gathered through
// the document's writer, which must not be open.
void DescribeFile(CSkarnDoc& doc, FileAccount& account);

}  // namespace skarn
