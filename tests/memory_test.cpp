// Memory running out: every command ends with a message that names the file
// and leaves nothing behind, never an uncaught exception.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Compressor.h"
#include "Examples.h"
#include "FakeHost.h"
#include "core/Bitmaps.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"
#include "core/Unpack.h"

namespace skarn::test {
namespace {

// A host that runs out of memory where it is told to: in the first message
// (a section's report while the file is analysed) or in every output write.
class NoMemoryHost : public FakeHost {
 public:
  void ShowMessage(const std::string& text) override {
    if (failMessage) {
      failMessage = false;
      throw std::bad_alloc();
    }
    FakeHost::ShowMessage(text);
  }
  std::unique_ptr<ByteSink> OpenOutput(const std::string&, std::string*) override {
    return std::make_unique<Sink>(&aborted);
  }
  bool failMessage = false;
  bool aborted = false;

 private:
  class Sink : public ByteSink {
   public:
    explicit Sink(bool* aborted) : aborted_(aborted) {}
    void Write(const char*, size_t) override { throw std::bad_alloc(); }
    void Commit() override {}
    void Abort() noexcept override { *aborted_ = true; }

   private:
    bool* aborted_;
  };
};

// A document whose file cannot be read into memory at all.
class NoMemoryDoc : public CSkarnDoc {
 public:
  using CSkarnDoc::CSkarnDoc;
  void ReadBglFile(const std::string&) override { throw std::bad_alloc(); }
};

TEST(OutOfMemory, OpeningLeavesAnEmptyDocument) {
  // A section offset beyond the file: its report is where memory runs out.
  BglBuilder b;
  b.Set(0x12, 0xFFFF, 4);
  const std::vector<uint8_t> beyond = b.Build();
  for (const bool compressed : {false, true}) {
    SCOPED_TRACE(compressed);
    NoMemoryHost host;
    host.failMessage = true;
    CSkarnDoc doc(host);
    EXPECT_FALSE(doc.OpenImage(compressed ? CompressBgl(beyond) : beyond, "dir/scenery.bgl"));
    EXPECT_FALSE(doc.analysed());
    EXPECT_FALSE(doc.hasImage());
    EXPECT_TRUE(doc.summary().empty());
    EXPECT_EQ(doc.section(0), nullptr);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error: not enough memory to analyze BGL file scenery.bgl"});
  }
  NoMemoryHost host;
  NoMemoryDoc doc(host);
  EXPECT_FALSE(doc.Open("/nowhere/big.bgl"));
  EXPECT_FALSE(doc.hasImage());
  EXPECT_EQ(host.messages, std::vector<std::string>{"Error: not enough memory to analyze BGL file big.bgl"});
}

TEST(OutOfMemory, CommandsEndWithoutOutput) {
  const std::vector<uint8_t> packed = CompressBgl(AirfieldExample());
  struct Case {
    std::function<CommandResult(CSkarnDoc&)> command;
    const char* output;
  };
  const Case cases[] = {
      {Disassemble, "field.sca"},
      {SaveSummary, "field.txt"},
      {ExtractBitmaps, "field_Bitmap.txt"},
      {[&packed](CSkarnDoc& doc) { return UnpackToFile(packed.data(), packed.size(), doc.fileName(), doc.host()); },
       "field_unpacked.bgl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    NoMemoryHost host;
    CSkarnDoc doc(host);
    ASSERT_TRUE(doc.OpenImage(packed, "field.bgl"));
    EXPECT_EQ(c.command(doc), CommandResult::kFailed);
    EXPECT_TRUE(host.aborted);
    EXPECT_EQ(host.messages,
              std::vector<std::string>{std::string("Error: not enough memory to write output file: ") + c.output});
  }
}

}  // namespace
}  // namespace skarn::test
