// Compressed BGL files: the token decoder, the file form and its result
// codes, the document's intake, and the unpack command.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <random>
#include <set>

#include "BglBuilder.h"
#include "Compressor.h"
#include "Examples.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"
#include "decompress/Decompress.h"
#include "core/Unpack.h"

namespace skarn::test {
namespace {

namespace fs = std::filesystem;

const std::string kPrefix = "Error: Compressed BGL file, uncompression failed, ";

// Decodes a stream into exactly expected bytes; nothing on failure.
std::optional<std::vector<uint8_t>> Unpack(const std::vector<uint8_t>& stream, size_t expected) {
  std::vector<uint8_t> out(expected);
  const std::optional<size_t> n = UnpackStream(stream.data(), stream.size(), out.data(), expected);
  if (!n) return std::nullopt;
  EXPECT_EQ(*n, expected);
  return out;
}

std::vector<uint8_t> Repeat(uint8_t v, size_t n) { return std::vector<uint8_t>(n, v); }

// Bytes that look like scenery: records with small integers, names and runs.
std::vector<uint8_t> SceneryLike(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v;
  while (v.size() < n) {
    switch (rng() % 4) {
      case 0:
        for (const char c : "tex" + std::to_string(rng() % 50) + ".bmp") v.push_back(static_cast<uint8_t>(c));
        break;
      case 1: v.insert(v.end(), rng() % 20, 0); break;
      case 2:
        for (int i = 0; i < 6; ++i) v.push_back(static_cast<uint8_t>(rng() % 8));
        break;
      default: v.push_back(static_cast<uint8_t>(rng())); break;
    }
  }
  v.resize(n);
  return v;
}

// A plain file of distinct-looking bytes after a header (128 or 168 bytes).
std::vector<uint8_t> PlainFile(size_t bodySize, bool extended = false) {
  BglBuilder b;
  if (extended) b.Extended();
  b.Vis(3);
  std::vector<uint8_t> file = b.Build();
  const std::vector<uint8_t> body = SceneryLike(bodySize, 7);
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

// ---- the token decoder ----

TEST(DecompressTokens, HandWrittenStreamsDecode) {
  // Literal 0x41 is 0 then 1000001: the byte 0x82. The end-of-block marker
  // is 1, 0, 1, 1 and twelve 1 bits: 0xFD 0xFF.
  EXPECT_EQ(Unpack({'J', 'M', 0, 0, 0x82, 0xFD, 0xFF}, 1), std::vector<uint8_t>{0x41});
  // Literal 0xC1 is 1, 1 then 1000001: bits 0..8 = 1,1,1,0,0,0,0,0,1.
  EXPECT_EQ(Unpack({'J', 'M', 0, 0, 0x07, 0xFB, 0xFF, 0x01}, 1), std::vector<uint8_t>{0xC1});
  // 0x41, then a match of offset 1 and length 9: ten bytes 0x41. The match
  // is 1,0 | 0, 100000 (offset 1) | 0,0,1, 11 (k = 2, v = 3), then the marker.
  const std::vector<uint8_t> tenA = {'J', 'M', 0xAA, 0x55, 0x82, 0x09, 0x78, 0xFF, 0x3F};
  EXPECT_EQ(Unpack(tenA, 10), Repeat(0x41, 10));
  BitWriter w;
  w.Literal(0x41).Match(1, 9).EndOfBlock();
  EXPECT_EQ(w.bytes(), std::vector<uint8_t>(tenA.begin() + 4, tenA.end()));
  // A stream of only the final marker gives an empty block.
  EXPECT_EQ(Unpack({'J', 'M', 0, 0, 0xFD, 0xFF}, 0), std::vector<uint8_t>{});
}

// The offset forms, written field by field: each copies 3 bytes from offset
// bytes back in a history of distinct bytes.
TEST(DecompressTokens, OffsetForms) {
  struct Case {
    uint32_t offset;
    unsigned form;  // 0: 0+6 bits, 1: 1,0+8 bits, 2: 1,1+12 bits
  };
  const Case cases[] = {{1, 0}, {2, 0}, {63, 0}, {64, 1}, {65, 1}, {319, 1}, {320, 2}, {321, 2}, {4414, 2}};
  std::vector<uint8_t> history(5000);
  for (size_t i = 0; i < history.size(); ++i) history[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    BitWriter w;
    for (uint8_t v : history) w.Literal(v);
    w.Bit(1).Bit(0);
    if (c.form == 0) w.Bit(0).Field(c.offset, 6);
    if (c.form == 1) w.Bit(1).Bit(0).Field(c.offset - 64, 8);
    if (c.form == 2) w.Bit(1).Bit(1).Field(c.offset - 320, 12);
    w.Bit(1).EndOfBlock();  // length 3
    std::optional<std::vector<uint8_t>> out = Unpack(w.Stream(), history.size() + 3);
    ASSERT_TRUE(out);
    const size_t n = history.size();
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ((*out)[n + i], (*out)[n + i - c.offset]);
  }
}

// Length codes: k zero bits, a 1 bit, k bits v give v + 2^k + 2.
TEST(DecompressTokens, LengthCodes) {
  struct Case {
    unsigned k;
    uint32_t v;
    size_t length;
  };
  const Case cases[] = {{0, 0, 3},  {1, 0, 4},   {1, 1, 5},   {2, 0, 6},      {2, 3, 9},     {3, 0, 10},
                        {3, 7, 17}, {4, 0, 18},  {7, 100, 230}, {16, 0, 65538}, {20, 12345, 1060923}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    BitWriter w;
    w.Literal(0x5A).Bit(1).Bit(0).Bit(0).Field(1, 6);  // match, offset 1
    for (unsigned i = 0; i < c.k; ++i) w.Bit(0);
    w.Bit(1).Field(c.v, c.k).EndOfBlock();
    EXPECT_EQ(Unpack(w.Stream(), 1 + c.length), Repeat(0x5A, 1 + c.length));
    // The same length through the writer's own encoding.
    BitWriter x;
    x.Literal(0x5A).Match(1, static_cast<uint32_t>(c.length)).EndOfBlock();
    EXPECT_EQ(x.bytes(), w.bytes());
  }
}

TEST(DecompressTokens, OverlappingMatchesRepeatThePattern) {
  BitWriter w;
  w.Literal('a').Literal('b').Literal('c').Match(3, 10).Match(2, 5).EndOfBlock();
  const std::string expect = "abcabcabcabca" "cacac";
  std::optional<std::vector<uint8_t>> out = Unpack(w.Stream(), expect.size());
  ASSERT_TRUE(out);
  EXPECT_EQ(std::string(out->begin(), out->end()), expect);
}

TEST(DecompressTokens, EarlyEndOfBlockMarkersAreSkipped) {
  BitWriter w;
  w.EndOfBlock().Literal(1).EndOfBlock().EndOfBlock().Literal(2).Match(2, 4).EndOfBlock();
  EXPECT_EQ(Unpack(w.Stream(), 6), (std::vector<uint8_t>{1, 2, 1, 2, 1, 2}));
  // A marker reached with every byte there ends the decode: what follows
  // is never read, even tokens that would be errors.
  BitWriter t;
  t.Literal(9).EndOfBlock().Match(4000, 3).Literal(1);
  EXPECT_EQ(Unpack(t.Stream(), 1), std::vector<uint8_t>{9});
  // Without the final marker the input runs out.
  BitWriter open;
  open.Literal(9).EndOfBlock().Literal(8);
  EXPECT_FALSE(Unpack(open.Stream(), 2));
}

// The bit reader takes 8-byte words in the middle of the input and single
// bytes near its end; streams of every small length cross that border at
// every phase.
TEST(DecompressTokens, RoundTripAtEverySmallSize) {
  for (size_t n = 0; n < 300; ++n) {
    const std::vector<uint8_t> data = SceneryLike(n, static_cast<uint32_t>(n));
    for (int mode = 0; mode < 3; ++mode) {
      CompressOptions opt;
      opt.literalsOnly = mode == 1;
      opt.blockSize = mode == 2 ? 17 : 0;
      EXPECT_EQ(Unpack(CompressStream(data, opt), n), data) << "size " << n << " mode " << mode;
    }
  }
}

TEST(DecompressTokens, RoundTripLargeAndLongMatches) {
  std::vector<uint8_t> data = SceneryLike(300000, 3);
  data.insert(data.end(), 100000, 0xEE);  // one long run
  const std::vector<uint8_t> stream = CompressStream(data);
  EXPECT_LT(stream.size(), data.size() / 2);
  EXPECT_EQ(Unpack(stream, data.size()), data);
  CompressOptions big;
  big.blockSize = 4096;
  EXPECT_EQ(Unpack(CompressStream(data, big), data.size()), data);
}

TEST(DecompressTokens, CorruptStreamsFail) {
  auto fails = [](const BitWriter& w, size_t expected) { return !Unpack(w.Stream(), expected); };
  // Signature and length.
  EXPECT_FALSE(Unpack({'J', 'M', 0, 0}, 0));
  EXPECT_FALSE(Unpack({'J', 'M', 0}, 0));
  EXPECT_FALSE(Unpack({}, 0));
  EXPECT_FALSE(Unpack({'J', 'N', 0, 0, 0xFD, 0xFF}, 0));
  EXPECT_FALSE(Unpack({'K', 'M', 0, 0, 0xFD, 0xFF}, 0));
  EXPECT_TRUE(Unpack({'J', 'M', 0xFF, 0xFF, 0xFD, 0xFF, 0x00}, 0));  // bytes 2, 3 and trailing bits free
  // The input ends inside a literal (of either form), an offset, a length
  // code (all zeros), and the length's value bits.
  EXPECT_FALSE(Unpack({'J', 'M', 0, 0, 0x03}, 1));  // 1, 1 and only 6 more bits
  BitWriter midLiteral;
  midLiteral.Literal(0x81).Bit(0).Field(5, 6);  // 16 bits: the 0 form needs 8
  EXPECT_TRUE(fails(midLiteral, 2));
  BitWriter midOffset;
  midOffset.Literal(1).Bit(1).Bit(0).Bit(1).Bit(1).Field(5, 4);
  EXPECT_TRUE(fails(midOffset, 4));
  BitWriter zeros;
  zeros.Literal(1).Bit(1).Bit(0).Bit(0).Field(1, 6);
  for (int i = 0; i < 20; ++i) zeros.Bit(0);
  EXPECT_TRUE(fails(zeros, 100));
  BitWriter midLength;
  midLength.Literal(1).Bit(1).Bit(0).Bit(0).Field(1, 6).Field(0, 6).Bit(1);  // 24 bits, k = 6
  EXPECT_TRUE(fails(midLength, 100));
  // A length code of 30 or more zero bits means a match longer than any
  // file, even with input left.
  BitWriter huge;
  huge.Literal(1).Bit(1).Bit(0).Bit(0).Field(1, 6);
  for (int i = 0; i < 30; ++i) huge.Bit(0);
  huge.Bit(1).Field(0, 30).EndOfBlock();
  EXPECT_TRUE(fails(huge, 1000));
}

TEST(DecompressTokens, OutputBoundsAreFaults) {
  BitWriter w;
  // A match before the output start: at the first byte, and one too far.
  w = BitWriter();
  w.Match(1, 3).EndOfBlock();
  EXPECT_FALSE(Unpack(w.Stream(), 3));
  w = BitWriter();
  w.Literal(1).Literal(2).Match(3, 3).EndOfBlock();
  EXPECT_FALSE(Unpack(w.Stream(), 5));
  w = BitWriter();
  w.Literal(1).Literal(2).Match(2, 3).EndOfBlock();
  EXPECT_TRUE(Unpack(w.Stream(), 5));
  // Offset 0 would copy the byte being written.
  w = BitWriter();
  w.Literal(1).Bit(1).Bit(0).Bit(0).Field(0, 6).Bit(1).EndOfBlock();
  EXPECT_FALSE(Unpack(w.Stream(), 4));
  // Output beyond the expected size: a literal, a match (also by one byte).
  w = BitWriter();
  w.Literal(1).Literal(2).EndOfBlock();
  EXPECT_FALSE(Unpack(w.Stream(), 1));
  w = BitWriter();
  w.Literal(1).Match(1, 4).EndOfBlock();
  EXPECT_FALSE(Unpack(w.Stream(), 4));
  EXPECT_TRUE(Unpack(w.Stream(), 5));
  // An expected size beyond the limit is refused before any output.
  uint8_t one = 0;
  const std::vector<uint8_t> s = {'J', 'M', 0, 0, 0xFD, 0xFF};
  EXPECT_FALSE(UnpackStream(s.data(), s.size(), &one, kMaxUnpackedSize + 1));
  EXPECT_FALSE(UnpackStream(s.data(), s.size(), nullptr, 1));
  EXPECT_EQ(UnpackStream(s.data(), s.size(), nullptr, 0), 0u);
}

// ---- the output grows as the stream fills it ----

// A declared size that the stream does not reach costs only the first block
// (a few times the stream) and what the stream made before it failed.
TEST(DecompressGrowth, UnreachedSizeCostsWhatTheStreamMade) {
  constexpr size_t kGiB = size_t{1} << 30;
  struct Case {
    const char* what;
    BitWriter w;
    size_t made;  // bytes decoded before the failure
  };
  std::vector<Case> cases(4);
  cases[0].what = "input ends after a literal";
  cases[0].w.Literal(1);
  cases[1].what = "markers before the size is reached";
  cases[1].w.Literal(1).EndOfBlock().EndOfBlock();
  cases[2].what = "a match before the start";
  cases[2].w.Literal(1).Match(2, 3).EndOfBlock();
  cases[3].what = "a megabyte, then the input ends";
  cases[3].w.Literal(1).Match(1, 1000000).Match(1, 1000000);
  cases[3].made = 2000001;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> stream = c.w.Stream();
    std::vector<uint8_t> out = {7, 7};
    EXPECT_FALSE(UnpackStreamGrowing(stream.data(), stream.size(), &out, kGiB));
    EXPECT_EQ(out, (std::vector<uint8_t>{7, 7}));  // what it held before
    EXPECT_LE(out.capacity(), 2 + (size_t{64} << 10) + 4 * stream.size() + 2 * c.made);
  }
  // Through the file form: the reason text of any corrupt stream.
  BitWriter w;
  w.Literal(1);
  std::vector<uint8_t> file = CompressedFile(PlainFile(0), w.Stream());
  file[132] = 0;
  file[133] = 0;
  file[134] = 0x10;
  file[135] = 0;  // 1 MiB, the most a small file may unpack to
  FakeHost host;
  CSkarnDoc doc(host);
  EXPECT_FALSE(doc.OpenImage(file, "tiny.bgl"));
  EXPECT_EQ(host.messages, std::vector<std::string>{kPrefix + "decompression failed\n"});
  // A byte more is refused before anything is unpacked, by the command line's
  // unpack command too.
  file[132] = 1;
  FakeHost refused;
  CSkarnDoc again(refused);
  EXPECT_FALSE(again.OpenImage(file, "tiny.bgl"));
  EXPECT_TRUE(again.compressed());  // as its account and index say
  const std::string refusal = Format(
      "Error: Compressed BGL file declares 1048577 unpacked bytes, more than 32 times its %zu bytes (or 1048576 "
      "bytes); not unpacked",
      file.size());
  EXPECT_EQ(refused.messages, std::vector<std::string>{refusal});
  FakeHost unpack;
  EXPECT_EQ(UnpackToFile(file.data(), file.size(), "tiny.bgl", unpack), CommandResult::kFailed);
  EXPECT_EQ(unpack.messages, std::vector<std::string>{refusal});
}

// Output far beyond the first block: the bytes come out as from a block of
// the full size, after what the vector held, and the block ends exact.
TEST(DecompressGrowth, GrownOutputMatchesTheFixedBlock) {
  std::vector<uint8_t> data = SceneryLike(3000, 5);
  for (int i = 0; i < 11; ++i) data.insert(data.end(), data.begin(), data.end());  // about 6 MB
  BitWriter w;
  w.Literal(9).Match(1, 5000000).EndOfBlock();  // one long run
  const std::vector<uint8_t> run = w.Stream();
  for (const auto& [stream, expected] :
       {std::pair{CompressStream(data), data}, std::pair{run, Repeat(9, 5000001)}}) {
    std::vector<uint8_t> out = {1, 2, 3};
    ASSERT_EQ(UnpackStreamGrowing(stream.data(), stream.size(), &out, expected.size()), expected.size());
    ASSERT_EQ(out.size(), 3 + expected.size());
    EXPECT_EQ(out.capacity(), out.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + 3));
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 3), (std::vector<uint8_t>{1, 2, 3}));
  }
}

// ---- the file form and its result codes ----

struct Result {
  int32_t code;
  size_t size;
  std::vector<uint8_t> block;
};

Result Decompress(const std::vector<uint8_t>& file) {
  Result r{-1, 12345, {9, 9, 9}};
  r.code = DecompressBgl(file.data(), file.size(), &r.size, &r.block);
  return r;
}

TEST(DecompressBgl, UnpacksToThePlainLayout) {
  for (const bool extended : {false, true}) {
    SCOPED_TRACE(extended);
    std::vector<uint8_t> plain = PlainFile(5000, extended);
    const size_t h = extended ? 168 : 128;
    std::vector<uint8_t> file = CompressBgl(plain);
    file[0x7A] = 0x12;  // the whole u32 at 122 is cleared, not just the flag
    file[0x7B] = 0x34;
    file[0x7C] = 0xFF;
    file[0x7D] = 0xFF;
    const Result r = Decompress(file);
    ASSERT_EQ(r.code, kDecompressOk);
    EXPECT_EQ(r.size, h + 5000);
    EXPECT_EQ(r.block, plain);
    // The caller's block is replaced, not appended to.
    EXPECT_EQ(r.block.size(), r.size);
  }
}

TEST(DecompressBgl, ResultCodes) {
  const std::vector<uint8_t> plain = PlainFile(600);
  const std::vector<uint8_t> good = CompressBgl(plain);
  ASSERT_EQ(Decompress(good).code, kDecompressOk);

  // 1: nowhere to put the result.
  std::vector<uint8_t> block;
  size_t size = 0;
  EXPECT_EQ(DecompressBgl(good.data(), good.size(), nullptr, &block), kDecompressBadArguments);
  EXPECT_EQ(DecompressBgl(good.data(), good.size(), &size, nullptr), kDecompressBadArguments);
  EXPECT_EQ(DecompressBgl(nullptr, 10, &size, &block), kDecompressBadArguments);

  // 2: no block magic after the header.
  std::vector<uint8_t> f = good;
  f[128] ^= 1;
  EXPECT_EQ(Decompress(f).code, kDecompressNotCompressed);
  // 2: an FS2002 header with terrain data or a further pointer set.
  const std::vector<uint8_t> ext = CompressBgl(PlainFile(600, true));
  ASSERT_EQ(Decompress(ext).code, kDecompressOk);
  for (const size_t at : {54u, 156u, 160u, 164u}) {
    f = ext;
    f[at + 3] = 1;
    EXPECT_EQ(Decompress(f).code, kDecompressNotCompressed) << at;
  }
  // ... which a 128-byte header does not look at.
  f = good;
  f[54] = 1;
  EXPECT_EQ(Decompress(f).code, kDecompressOk);

  // 4: an unpacked size beyond any real file, refused before allocating.
  for (const uint32_t u : {0x40000001u, 0xFFFFFFFFu}) {
    f = good;
    for (int i = 0; i < 4; ++i) f[132 + static_cast<size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
    EXPECT_EQ(Decompress(f).code, kDecompressNoMemory);
  }

  // 16: a stored checksum other than 0, checked after the stream.
  EXPECT_EQ(Decompress(CompressedFile(plain, CompressStream({plain.begin() + 128, plain.end()}), 1)).code,
            kDecompressBadChecksum);
  f = CompressedFile(plain, CompressStream({plain.begin() + 128, plain.end()}), 1);
  f[148] = 'X';  // the stream's signature
  EXPECT_EQ(Decompress(f).code, kDecompressFailed);

  // 32: a corrupt stream, and one that makes fewer or more bytes than the
  // header says.
  f = good;
  f[149] = 'X';
  const Result failed = Decompress(f);
  EXPECT_EQ(failed.code, kDecompressFailed);
  EXPECT_EQ(failed.size, 0u);
  EXPECT_TRUE(failed.block.empty());  // what the caller's block held is gone too
  for (const int delta : {-1, 1}) {
    f = good;
    f[132] = static_cast<uint8_t>(f[132] + delta);
    EXPECT_EQ(Decompress(f).code, kDecompressFailed) << delta;
  }

  // 64: too short for the header and the block header.
  EXPECT_EQ(Decompress({}).code, kDecompressReadError);
  EXPECT_EQ(Decompress(std::vector<uint8_t>(good.begin(), good.begin() + 127)).code, kDecompressReadError);
  EXPECT_EQ(Decompress(std::vector<uint8_t>(good.begin(), good.begin() + 147)).code, kDecompressReadError);
  EXPECT_EQ(Decompress(std::vector<uint8_t>(good.begin(), good.begin() + 148)).code, kDecompressFailed);
  EXPECT_EQ(Decompress(std::vector<uint8_t>(ext.begin(), ext.begin() + 150)).code, kDecompressReadError);
  EXPECT_EQ(Decompress(std::vector<uint8_t>(ext.begin(), ext.begin() + 187)).code, kDecompressReadError);
}

TEST(DecompressBgl, ReasonTextsAndRelease) {
  EXPECT_STREQ(DecompressReason(kDecompressOk), "");
  EXPECT_STREQ(DecompressReason(1), "bad arguments\n");
  EXPECT_STREQ(DecompressReason(2), "file not compressed\n");
  EXPECT_STREQ(DecompressReason(4), "unsufficient memory\n");
  EXPECT_STREQ(DecompressReason(8), "size mismatch\n");
  EXPECT_STREQ(DecompressReason(16), "bad checksum\n");
  EXPECT_STREQ(DecompressReason(32), "decompression failed\n");
  EXPECT_STREQ(DecompressReason(64), "file read error\n");
  EXPECT_STREQ(DecompressReason(3), "");
  EXPECT_STREQ(DecompressReason(-1), "");

  std::vector<uint8_t> block(10, 1);
  EXPECT_EQ(ReleaseDecompressedBgl(11, &block), 1);  // not that many bytes: kept
  EXPECT_EQ(block.size(), 10u);
  EXPECT_EQ(ReleaseDecompressedBgl(10, &block), 0);
  EXPECT_TRUE(block.empty());
  EXPECT_EQ(ReleaseDecompressedBgl(0, &block), 1);
  EXPECT_EQ(ReleaseDecompressedBgl(0, nullptr), 1);
}

// Damaged files of every kind give a result code, never a crash or a write
// outside the block (the sanitizers watch).
TEST(DecompressBgl, HostileFilesGiveResultCodes) {
  const std::vector<uint8_t> plain = PlainFile(3000);
  CompressOptions opt;
  opt.blockSize = 500;
  const std::vector<uint8_t> good = CompressBgl(plain, opt);
  const std::set<int32_t> codes = {0, 2, 4, 16, 32, 64};
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> f = good;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) {
      // Anywhere but the unpacked size, whose damage is tested above (it
      // would mostly ask for blocks of hundreds of MB).
      size_t at = rng() % (f.size() - 4);
      if (at >= 132) at += 4;
      f[at] = static_cast<uint8_t>(f[at] ^ (1u << (rng() % 8)));
    }
    if (round % 5 == 0) f.resize(128 + rng() % (f.size() - 128));
    const Result r = Decompress(f);
    ASSERT_TRUE(codes.count(r.code)) << r.code;
    if (r.code == kDecompressOk) {
      EXPECT_EQ(r.size, r.block.size());
    } else {
      EXPECT_TRUE(r.block.empty());
    }
  }
  // Every cut of the file loses the final marker's bits or more.
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_NE(Decompress(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n))).code,
              kDecompressOk)
        << n;
  }
}

// ---- the document's intake ----

struct Opened {
  bool ok;
  std::vector<std::string> summary;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::string source;
};

Opened OpenAndDisassemble(const std::vector<uint8_t>& bytes, const std::string& name) {
  FakeHost host;
  CSkarnDoc doc(host);
  Opened o{doc.OpenImage(bytes, name), doc.summary(), {}, {}, {}};
  if (o.ok) {
    EXPECT_EQ(Disassemble(doc), CommandResult::kWritten);
    o.source = host.output;
  }
  o.messages = host.messages;
  o.questions = host.questions;
  return o;
}

void ExpectSameAsPlain(const std::vector<uint8_t>& plain, const CompressOptions& opt = {}) {
  const std::vector<uint8_t> file = CompressBgl(plain, opt);
  const Opened a = OpenAndDisassemble(plain, "scenery.bgl");
  const Opened b = OpenAndDisassemble(file, "scenery.bgl");
  ASSERT_TRUE(a.ok);
  ASSERT_TRUE(b.ok) << (b.messages.empty() ? "" : b.messages[0]);
  EXPECT_EQ(b.summary, a.summary);
  EXPECT_EQ(b.messages, a.messages);
  EXPECT_EQ(b.questions, a.questions);
  EXPECT_EQ(b.source, a.source);
  EXPECT_FALSE(b.source.empty());
}

TEST(DecompressIntake, OpensToTheUnpackedImage) {
  const std::vector<uint8_t> plain = AirfieldExample();
  FakeHost host;
  CSkarnDoc doc(host);
  ASSERT_TRUE(doc.OpenImage(CompressBgl(plain), "airfield.bgl"));
  EXPECT_TRUE(doc.analysed());
  EXPECT_TRUE(host.messages.empty());
  ASSERT_EQ(doc.image().size(), plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), doc.image().data()));
  EXPECT_EQ(doc.image().U16(hdr::kCompressedFlag), 0);
  EXPECT_EQ(doc.summary()[0], "Filename: airfield.bgl;  VIS-Type: 1");
  EXPECT_NE(doc.section(9), nullptr);
}

TEST(DecompressIntake, FailuresReportTheReason) {
  const std::vector<uint8_t> plain = PlainFile(400);
  const std::vector<uint8_t> good = CompressBgl(plain);
  struct Case {
    std::vector<uint8_t> file;
    std::string reason;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> f = good;
  f[130] = 0;
  cases.push_back({f, "file not compressed\n"});
  cases.push_back({CompressedFile(plain, CompressStream({plain.begin() + 128, plain.end()}), 1), "bad checksum\n"});
  f = good;
  f[148] = 'j';
  cases.push_back({f, "decompression failed\n"});
  cases.push_back({std::vector<uint8_t>(good.begin(), good.begin() + 140), "file read error\n"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    FakeHost host;
    CSkarnDoc doc(host);
    ASSERT_TRUE(doc.OpenImage(AirfieldExample(), "first.bgl"));  // a failure after a success
    EXPECT_FALSE(doc.OpenImage(c.file, "packed.bgl"));
    EXPECT_FALSE(doc.analysed());
    EXPECT_TRUE(doc.summary().empty());
    for (int slot = 0; slot < CSkarnDoc::kSlots; ++slot) EXPECT_EQ(doc.section(slot), nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], kPrefix + c.reason);
  }
}

TEST(DecompressRoundTrip, AirfieldExample) {
  ExpectSameAsPlain(AirfieldExample());
  CompressOptions small;
  small.blockSize = 7;
  ExpectSameAsPlain(AirfieldExample(), small);
  CompressOptions literals;
  literals.literalsOnly = true;
  ExpectSameAsPlain(AirfieldExample(), literals);
}

// A file with every slot the header can fill: each section a band table of
// two bands whose records are bytes of the kind that section holds.
std::vector<uint8_t> EverySection(bool extended, bool terrain) {
  BglBuilder b;
  if (extended) b.Extended();
  b.Vis(2).Bounds(LatMetres(47.6), LatMetres(47.4), Lon32Units(8.6), Lon32Units(8.4));
  b.Set(0x16, 1, 2).Set(0x18, 0xFFFF, 2);
  b.Set(0x56, 0x1111222233334444ull, 8).Set(0x5E, 0x5555666677778888ull, 8);
  const size_t fields[] = {0x12, 0x1A, 0x1E, 0x22, 0x26, 0x2A, 0x2E, 0x32, 0x3E,
                           0x42, 0x4A, 0x4E, 0x52, 0x66, 0x6E, 0x72};
  for (const size_t field : fields) {
    Bytes records;
    records.u8(0x15).i16(10310).i16(10312).u32(19);
    records.u8(0x15).i16(10312).i16(10314).u32(19);
    records.u8(0);
    records.u8(static_cast<uint32_t>(field)).zeros(12).u8(0);
    b.Section(field, records);
  }
  Bytes proc;  // the airfield's procedural objects as the procedural section
  const std::vector<uint8_t> airfield = AirfieldExample();
  const uint32_t procAt = static_cast<uint32_t>(airfield[0x3A] | airfield[0x3B] << 8);
  for (size_t i = procAt; i < airfield.size(); ++i) proc.u8(airfield[i]);
  b.Section(0x3A, proc);
  if (terrain) b.Section(0x36, Bytes().u8(1).zeros(40));
  return b.Build();
}

TEST(DecompressRoundTrip, EverySectionKind) {
  ExpectSameAsPlain(EverySection(false, true));
  ExpectSameAsPlain(EverySection(true, false));
  CompressOptions opt;
  opt.blockSize = 64;
  ExpectSameAsPlain(EverySection(false, false), opt);
}

TEST(DecompressRoundTrip, ExtendedHeaderWithFurtherPointersIsNotCompressed) {
  // Such a header belongs to a plain file: terrain data or new-style
  // facilities cannot come compressed with it.
  std::vector<uint8_t> plain = EverySection(true, true);
  FakeHost host;
  CSkarnDoc doc(host);
  EXPECT_FALSE(doc.OpenImage(CompressBgl(plain), "x.bgl"));
  EXPECT_EQ(host.messages, std::vector<std::string>{kPrefix + "file not compressed\n"});
}

// ---- the unpack command ----

std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

CommandResult UnpackBytes(const std::vector<uint8_t>& f, const std::string& name, FakeHost& host) {
  return UnpackToFile(f.data(), f.size(), name, host);
}

TEST(DecompressIntake, TextOfAFileThatUnpacksFarIsBounded) {
  // 20 MiB unpacked from little more than one: its text may come to 512 MB,
  // not 64 bytes for each unpacked byte; a plain file of that size may.
  std::vector<uint8_t> plain = AirfieldExample();
  plain.resize(20u << 20);
  uint32_t noise = 1;
  for (size_t i = plain.size() - (1u << 20); i < plain.size(); ++i) {
    noise = noise * 1103515245u + 12345u;
    plain[i] = static_cast<uint8_t>(noise >> 24);
  }
  FakeHost host;
  CSkarnDoc packed(host);
  ASSERT_TRUE(packed.OpenImage(CompressBgl(plain), "far.bgl"));
  EXPECT_EQ(packed.image().size(), plain.size());
  EXPECT_EQ(packed.OutputAllowance(), 512000000u);
  CSkarnDoc flat(host);
  ASSERT_TRUE(flat.OpenImage(plain, "flat.bgl"));
  EXPECT_EQ(flat.OutputAllowance(), 64u * plain.size() + (1u << 20));
}

TEST(UnpackCommand, WritesThePlainFile) {
  const std::vector<uint8_t> plain = AirfieldExample();
  std::vector<uint8_t> f = CompressBgl(plain);
  f[0x7A] = 0x77;
  FakeHost host;
  EXPECT_EQ(UnpackBytes(f, "scenery.v2.bgl", host), CommandResult::kWritten);
  EXPECT_EQ(host.proposed, std::vector<std::string>{"scenery.v2_unpacked.bgl"});
  EXPECT_EQ(host.filters, std::vector<std::string>{kBglFilter});
  EXPECT_TRUE(host.prompted);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.output, Text(plain));
  EXPECT_EQ(UnpackedName("noext"), "noext_unpacked.bgl");
}

TEST(UnpackCommand, RefusesWhatItCannotUnpack) {
  const std::vector<uint8_t> plain = AirfieldExample();
  std::vector<uint8_t> corrupt = CompressBgl(plain);
  corrupt[149] = 'X';
  struct Case {
    std::vector<uint8_t> file;
    std::string message;
  };
  const Case cases[] = {
      {plain, "Error: field.bgl is not compressed; there is nothing to unpack"},
      {corrupt, kPrefix + "decompression failed\n"},
      {std::vector<uint8_t>(100, 0), "Error: file too short for a BGL header (100 bytes, at least 128 needed)"},
  };
  for (const Case& c : cases) {
    FakeHost host;
    EXPECT_EQ(UnpackBytes(c.file, "field.bgl", host), CommandResult::kFailed);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
    EXPECT_TRUE(host.proposed.empty());  // no output path asked for
    EXPECT_TRUE(host.output.empty());
  }
}

TEST(UnpackCommand, CancelAndOutputFailures) {
  const std::vector<uint8_t> f = CompressBgl(AirfieldExample());
  {
    FakeHost host;
    host.cancel = true;
    EXPECT_EQ(UnpackBytes(f, "a.bgl", host), CommandResult::kCancelled);
    EXPECT_TRUE(host.output.empty());
    EXPECT_TRUE(host.messages.empty());
  }
  {
    FakeHost host;
    host.failOpen = true;
    EXPECT_EQ(UnpackBytes(f, "a.bgl", host), CommandResult::kFailed);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error: Unable to open output file: a_unpacked.bgl: refused"});
  }
  {
    // A write that fails discards the output.
    BrokenHost host;
    EXPECT_EQ(UnpackToFile(f.data(), f.size(), "a.bgl", host), CommandResult::kFailed);
    EXPECT_TRUE(host.aborted);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error: Unable to write output file: disk full"});
  }
}

TEST(UnpackCommand, FromDiskBesideTheInput) {
  TempDir dir("skarn-unpack-");
  const std::vector<uint8_t> plain = EverySection(false, true);
  const fs::path in = dir.path() / "terrain.bgl";
  WriteFile(in, CompressBgl(plain));
  FakeHost host;
  host.toDisk = true;
  host.chosen = (dir.path() / "terrain_unpacked.bgl").string();
  EXPECT_EQ(UnpackFile(in.string(), host), CommandResult::kWritten);
  EXPECT_EQ(host.proposed, std::vector<std::string>{"terrain_unpacked.bgl"});
  EXPECT_EQ(ReadFile(dir.path() / "terrain_unpacked.bgl"), Text(plain));
  // The written file opens as a plain file.
  CSkarnDoc doc(host);
  EXPECT_TRUE(doc.Open(host.chosen));
  EXPECT_TRUE(doc.terrain());

  FakeHost missing;
  EXPECT_EQ(UnpackFile((dir.path() / "none.bgl").string(), missing), CommandResult::kFailed);
  EXPECT_EQ(missing.messages, std::vector<std::string>{"Error: unable to open BGL file"});
}

}  // namespace
}  // namespace skarn::test
