// Runs one scenery command program through the procedural section, so that a
// command's test can state its bytes and the exact source text they give.
//
// The file built here holds a procedural section with one band whose list has
// one object: a type 6 header (u8 6, i32 latitude, i32 longitude, u8 area
// parameter, u32 size = 14 + program size) followed by the program, then the
// 0 that ends the list. Labels count from the section start, and the program
// starts at section offset kProcCodeOffset (a 10-byte band table, then the
// 14-byte header), so a command at program offset k has label
// kProcCodeOffset + k.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn::test {

constexpr uint32_t kProcHeaderField = 0x3A;  // header field of the section offset
constexpr int kProcSlot = 9;
constexpr uint32_t kProcCodeOffset = 0x18;

// The procedural section described above.
inline Bytes ProcSectionWith(const Bytes& code) {
  Bytes s = BandTable({{100, 101, 10}});
  s.u8(6).i32(0x00100000).i32(0x02000000).u8(0).u32(static_cast<uint32_t>(14 + code.size()));
  s.append(code).u8(0);
  return s;
}

inline std::vector<uint8_t> ProcFileWith(const Bytes& code) {
  BglBuilder b;
  b.Section(kProcHeaderField, ProcSectionWith(code));
  return b.Build();
}

struct ProcRun : DisasmRun {
  std::string program;  // between the Area line and the EndA line
};

// Disassembles a file whose procedural section is body, with the given answer
// to the library-call question.
inline ProcRun DisasmSection(const Bytes& body, bool fs2000 = true) {
  BglBuilder b;
  b.Section(kProcHeaderField, body);
  ProcRun run;
  static_cast<DisasmRun&>(run) = DisasmFile(b.Build(), "prog.bgl", fs2000);
  const size_t area = run.output.find("\nArea( ");
  const size_t endA = run.output.rfind("EndA\n\n");
  if (area != std::string::npos && endA != std::string::npos) {
    const size_t begin = run.output.find('\n', area + 1) + 1;
    if (begin <= endA) run.program = run.output.substr(begin, endA - begin);
  }
  return run;
}

// The source text of one program (only what stands between its Area and EndA
// lines).
inline std::string DisasmProgram(const Bytes& code, bool fs2000 = true) {
  return DisasmSection(ProcSectionWith(code), fs2000).program;
}

// The bitmap list mode: what the program writes when the section lists its
// bitmap names (the band's own comment lines are cut off).
inline std::string ListBitmapsOf(const Bytes& code, bool fs2000 = true) {
  FakeHost host;
  host.answer = fs2000;
  CSkarnDoc doc(host);
  doc.OpenImage(ProcFileWith(code), "prog.bgl");
  auto* section = dynamic_cast<ProceduralSection*>(doc.section(kProcSlot));
  if (section == nullptr) return "<no procedural section>";
  const std::string text = UnixText(Captured(doc, [section] { section->ListBitmaps(); }));
  // The band walk writes two line feeds, the LatRange comment and a
  // separator before the program's own lines.
  const std::string& sep = doc.writer().separator();
  const size_t cut = text.find(sep);
  return cut == std::string::npos ? text : text.substr(cut + sep.size());
}

// ---- program pieces (command word first, operands little-endian) ----

inline Bytes Nop() { return Bytes{0x02, 0x00}; }
inline Bytes Eof() { return Bytes{0x00, 0x00}; }
inline Bytes Return() { return Bytes{0x22, 0x00}; }
inline Bytes Jump(int16_t d) { return Bytes{0x0D, 0x00}.i16(d); }
inline Bytes Call(int16_t d) { return Bytes{0x23, 0x00}.i16(d); }
inline Bytes Bitmap(const std::string& name) {
  return Bytes{0x18, 0x00}.i16(1).i16(2).i16(3).i16(4).text(name, 12).zeros(2);
}
inline Bytes CallLib20() { return Bytes{0x63, 0x00}.u16(0).u32(1).u32(2).u32(3).u32(4); }

// The command word of command c.
inline Bytes Op(uint32_t c) { return Bytes().u16(c); }
// A command followed by a Nop, and the Nop's line.
inline Bytes ThenNop(Bytes b) { return b.u16(0x02); }
inline const std::string kNopLine = "\tNop\n";

// Position fields: 1/65536 metre units, or 2^48 units to the circle.
constexpr int64_t kLat45 = 5000875LL * 65536;  // 45 degrees
constexpr int64_t kLon90 = 1LL << 46;          // 90 degrees
inline uint64_t U48(int64_t v) { return static_cast<uint64_t>(v); }

// ---- golden rows: a command program and the exact text it gives ----

struct Golden {
  const char* what;
  Bytes code;
  std::string text;
};

inline void ExpectGolden(const std::vector<Golden>& rows, bool fs2000 = true) {
  for (const Golden& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(DisasmProgram(row.code, fs2000), row.text);
  }
}

}  // namespace skarn::test
