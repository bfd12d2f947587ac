#include "sections/nav/NameLists.h"

#include <cstring>
#include <utility>

#include "core/Format.h"
#include "sections/nav/AirportFacilitySection.h"

namespace skarn {

namespace {

constexpr uint32_t kNameListCode = 0x30001;
constexpr uint32_t kNameEntryCode = 0x30002;
// Bytes of an item's head: u32 code, u32 length.
constexpr uint64_t kHead = 8;
// A list's entries follow its head, its language and three unused words.
constexpr uint64_t kListHead = 24;
// An entry's name follows its head, its type and its container reference.
constexpr uint64_t kEntryHead = 16;

unsigned Hex(uint64_t offset) { return static_cast<unsigned>(offset); }

// Parentheses would end the statement early: they become braces.
std::string QuotedName(std::string name) {
  for (char& c : name) {
    if (c == '(') c = '{';
    if (c == ')') c = '}';
  }
  return name;
}

void WriteEntry(SourceWriter& out, uint32_t type, int number, const std::string& name) {
  const char* text = name.c_str();
  switch (type) {
    case 0x10001: out.Row<"\tNameEntry( REGION 0 \"%s\" )\n">(text); break;
    case 0x20001: out.Row<"\tNameEntry( COUNTRY 0 \"%s\" )\n">(text); break;
    case 0x30001: out.Row<"\tNameEntry( STATE 0 \"%s\" )\n">(text); break;
    case 0x40001: out.Row<"\tNameEntry( CITY 0 \"%s\" )\n">(text); break;
    case 0x50001: out.Row<"\tNameEntry( AIRPORT %d \"%s\" )\n">(number, text); break;
    case 0x50003: out.Row<"\tNameEntry( VOR %d \"%s\" )\n">(number, text); break;
    case 0x50004: out.Row<"\tNameEntry( NDB %d \"%s\" )\n">(number, text); break;
    case 0x50005: out.Row<"\t; NameEntry( ATC %d \"%s\" ) ; not available in SCASM\n">(number, text); break;
    default: out.WriteText(";\tError: unexpected name type in namelist\n"); break;
  }
}

// Writes the entries of one list, from begin up to end (which lies in the
// file).
void WriteEntries(const ByteReader& img, SourceWriter& out, uint64_t begin, uint64_t end,
                  const AirportFacilitySection& objects) {
  for (uint64_t at = begin; at < end;) {
    // A 0 ends the entries even where it straddles the list's end.
    const uint32_t code = img.Has(at, 4) ? img.U32(at) : 1;
    if (code == 0) return;
    if (end - at < kHead || img.U32(at + 4) > end - at - kHead) {
      out.Row<"; Error: name entry at file offset %.6X runs past the end of its name list\n">(Hex(at));
      return;
    }
    std::string name;
    if (!img.Has(at, kEntryHead) || !TerminatedText(img, at + kEntryHead, name)) {
      out.Row<"; Error: name entry at file offset %.6X runs past the end of the file\n">(Hex(at));
      return;
    }
    if (code != kNameEntryCode) out.WriteText("; Error: unknown object in namelist\n");
    // A reference that names no container of this run counts as the first.
    const uint32_t reference = img.U32(at + 12);
    int number = reference != 0 ? objects.ObjectNumber(reference) : 0;
    if (number == 0) number = 1;
    WriteEntry(out, img.U32(at + 8), number, QuotedName(std::move(name)));
    at += kHead + img.U32(at + 4);
  }
}

}  // namespace

bool TerminatedText(const ByteReader& img, uint64_t at, std::string& text) {
  bool terminated = false;
  const std::string_view found = img.Text(at, UINT64_MAX, &terminated);
  text.assign(terminated ? found : std::string_view());
  return terminated;
}

void WriteNameLists(const ByteReader& img, SourceWriter& out, uint64_t area, const AirportFacilitySection& objects) {
  // An offset of 0 means the file has no name lists (it would otherwise be
  // the file's own header).
  if (area == 0) return;
  if (area >= img.size()) {
    out.Row<"; Error: name lists offset %.6X lies outside the file\n">(Hex(area));
    return;
  }
  for (uint64_t at = area;;) {
    if (!img.Has(at, 4)) {
      // The area lacks the 0 that ends it.
      out.Row<"; Error: name lists run past the end of the file at file offset %.6X\n">(Hex(at));
      return;
    }
    const uint32_t code = img.U32(at);
    if (code == 0) return;
    if (code != kNameListCode) {
      out.WriteText("; Error: unexpected code at start of namelist\n");
      return;
    }
    // The head up to the language, and the whole list, must lie in the file.
    if (!img.Has(at, 12) || !img.Has(at, uint64_t{img.U32(at + 4)} + kHead)) {
      out.Row<"; Error: name list at file offset %.6X runs past the end of the file\n">(Hex(at));
      return;
    }
    const uint64_t end = at + kHead + img.U32(at + 4);
    out.Row<"Namelist( %.4X ) ; language\n">(img.U32(at + 8));
    WriteEntries(img, out, at + kListHead, end, objects);
    out.WriteText("EndNL\n");
    at = end;
  }
}

}  // namespace skarn
