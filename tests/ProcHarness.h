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

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "core/Commands.h"
#include "core/OutputSink.h"
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

// Output text with its CR LF line ends turned back into LF.
inline std::string UnixText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// A sink that leaves its text in a string the caller owns.
class CaptureSink : public ByteSink {
 public:
  explicit CaptureSink(std::string* text) : text_(text) {}
  void Write(const char* data, size_t size) override { text_->append(data, size); }
  void Commit() override {}
  void Abort() noexcept override {}

 private:
  std::string* text_;
};

struct ProcRun {
  std::string program;                 // between the Area line and the EndA line
  std::string output;                  // the whole source file
  std::vector<std::string> questions;  // Yes/No questions the run asked
  std::vector<std::string> messages;   // messages shown (analysis included)
};

// Disassembles a file whose procedural section is body, with the given answer
// to the library-call question.
inline ProcRun DisasmSection(const Bytes& body, bool fs2000 = true) {
  FakeHost host;
  host.answer = fs2000;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(kProcHeaderField, body);
  doc.OpenImage(b.Build(), "prog.bgl");
  Disassemble(doc);
  ProcRun run;
  run.output = UnixText(host.output);
  run.questions = host.questions;
  run.messages = host.messages;
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
  std::string text;
  doc.writer().Open(std::make_unique<CaptureSink>(&text));
  section->ListBitmaps();
  doc.writer().Close();
  text = UnixText(text);
  // The band walk writes two line feeds, the LatRange comment and a
  // separator before the program's own lines.
  const std::string& sep = doc.writer().separator();
  const size_t cut = text.find(sep);
  return cut == std::string::npos ? text : text.substr(cut + sep.size());
}

}  // namespace skarn::test
