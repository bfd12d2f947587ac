// Textured polygons (VTP) of FS2002 terrain data.
//
// VTP subsection: +8 offset of the index, +12 offset of the texture list (both
// from the subsection start). Index: +4 entry count, +8 offset of the entry
// array, +12 offset of the data area (both from the index). Entry: cell word
// (bits 0-11 padding, 12-21 cell x, 22-31 cell y), data offset (from the data
// area), data length. Texture list: +4 texture count, +8 offset of the 8-byte
// texture entries, +12 offset of the name block (both from the list); an
// entry's first word is the offset of its texture record in the name block.
//
// Reserved and padding bits are reported as comments where they are met (the
// position is the byte's offset from the section start, in lower-case hex),
// and the value is used as read.
#include <string_view>

#include "core/Format.h"
#include "sections/scenery/TerrainSection.h"

namespace skarn {

namespace {

unsigned Bits(uint32_t v, unsigned lo, unsigned count) { return (v >> lo) & ((1u << count) - 1u); }

}  // namespace

TerrainSection::TextRead TerrainSection::ReadText(uint64_t p, std::string_view& text) {
  // The search for the 0 reads no further than the allowance, nor past the
  // image.
  const uint64_t room = p < img_.size() ? img_.size() - p : 0;
  bool terminated = false;
  text = img_.Text(p, budget_.Reach(room), &terminated);
  if (terminated) {
    budget_.Take(text.size() + 1);
    return TextRead::kText;
  }
  budget_.Take(text.size());
  if (text.size() == room) return TextRead::kCut;
  budget_.Stop();
  return TextRead::kOverRead;
}

void TerrainSection::WriteTexturedPolygons() {
  const uint64_t vtp = data_ + img_.U32(data_ + kVtpField);
  if (!img_.Has(vtp + 8, 8)) {
    out_.Row<"; Error: textured polygon header at %llX lies outside the file\n">(Rel(vtp));
    return;
  }
  const uint64_t index = vtp + img_.U32(vtp + 8);
  const uint64_t list = vtp + img_.U32(vtp + 12);
  if (!img_.Has(index + 4, 12)) {
    out_.Row<"; Error: textured polygon index at %llX lies outside the file\n">(Rel(index));
    return;
  }
  if (!img_.Has(list + 4, 12)) {
    out_.Row<"; Error: texture list at %llX lies outside the file\n">(Rel(list));
    return;
  }
  const uint32_t n = img_.U32(index + 4);
  const uint64_t entries = index + img_.U32(index + 8);
  const uint64_t area = index + img_.U32(index + 12);
  const uint64_t usable = EntriesInside(entries, n, 12);

  out_.WriteText("\nVTPHeader\tlabel\tword\n");
  out_.WriteText("VTPFileHeader 100h, VTPIndexStart, TextureStart, VTPEnd\n");
  out_.WriteText("\nVTPDataStart\tlabel\tWord\n");

  // Cell data.
  WriteCellData(entries, usable, area, &TerrainSection::WriteVtpRecord);

  // Cell index: every entry defines its cell's symbol, repeated cells
  // included.
  out_.WriteText("\nVTPIndexStart\tlabel\tword\n");
  out_.Row<"VTPIndexHeader %d, VTPIndexData, VTPDataStart\n">(static_cast<int32_t>(n));
  out_.WriteText("\nVTPIndexData\tlabel\tword\n");
  for (uint64_t i = 0; i < usable; ++i) {
    const uint64_t e = entries + 12 * i;
    const uint32_t word = img_.U32(e);
    const unsigned x = Bits(word, 12, 10);
    const unsigned y = Bits(word, 22, 10);
    const unsigned padding = Bits(word, 0, 12);
    out_.Row<"Cell_%u_%u\tEQU\tVTPCellID %u, %u, %u\n">(x, y, padding, x, y);
    if (padding != 0) out_.Row<"; Padding not 0 in VTPCellId, position %llx\n">(Rel(e));
    out_.Row<"VTPIndexEntry Cell_%u_%u, VTPDataStart, BeginData%llu, EndData%llu\n">(x, y,
                static_cast<unsigned long long>(i), static_cast<unsigned long long>(i));
  }
  if (usable < n) {
    out_.Row<"; Error: %u index entries at %llX run past the end of the file; %llu written\n">(n, Rel(entries),
                static_cast<unsigned long long>(usable));
  }

  WriteTextures(list);
  out_.WriteText("TextureDataEnd\tlabel\tword\n\n");
  out_.WriteText("VTPEnd\tlabel\tword\n");
}

void TerrainSection::WriteTextures(uint64_t list) {
  const uint32_t m = img_.U32(list + 4);
  const uint64_t entries = list + img_.U32(list + 8);
  const uint64_t names = list + img_.U32(list + 12);
  const uint64_t usable = EntriesInside(entries, m, 8);

  out_.WriteText("TextureStart\tlabel\tword\n");
  out_.Row<"\nVTPTextureListHeader %d, TextureIndexStart, TextureDataStart, TextureDataEnd\n">(static_cast<int32_t>(m));
  out_.WriteText("TextureIndexStart\tlabel\tword\n");
  for (uint64_t k = 0; k < usable; ++k) {
    out_.Row<"   VTPTextureListEntry TextureDataStart, BeginTexture%llu, EndTexture%llu\n">(static_cast<unsigned long long>(k), static_cast<unsigned long long>(k));
  }
  if (usable < m) {
    out_.Row<"; Error: %u texture entries at %llX run past the end of the file; %llu written\n">(m,
                Rel(entries), static_cast<unsigned long long>(usable));
  }
  out_.WriteText("\nTextureDataStart\tlabel\tword\n");

  // Texture record: the name, zero-terminated; a type byte (bits 0-3 kind,
  // bit 4 set when a second text follows, bits 5-7 reserved); one more byte;
  // then, for bit 4, the second text, zero-terminated.
  // The names have an allowance of their own. Once it is spent every
  // texture keeps its labels, which the list names, but no record.
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  bool reading = true;
  for (uint64_t k = 0; k < usable; ++k) {
    const unsigned long long number = static_cast<unsigned long long>(k);
    out_.Row<"   BeginTexture%llu\tlabel\tword\n">(number);
    if (!reading) {
      out_.Row<"   EndTexture%llu\tlabel\tword\n">(number);
      continue;
    }
    const uint64_t at = names + img_.U32(entries + 8 * k);
    std::string_view name;
    std::string_view second;
    uint64_t typeAt = 0;
    unsigned type = 0;
    TextRead read = ReadText(at, name);
    if (read == TextRead::kText) {
      typeAt = at + name.size() + 1;
      if (!img_.Has(typeAt, 2)) {
        read = TextRead::kCut;
      } else if (!budget_.Take(2)) {
        read = TextRead::kOverRead;
      }
    }
    if (read == TextRead::kText) {
      type = img_.U8(typeAt);
      if ((type & 0x10) != 0) read = ReadText(typeAt + 2, second);
    }
    if (read == TextRead::kOverRead) {
      WriteOverRead("texture names", "textures");
      reading = false;
    } else if (read == TextRead::kCut) {
      out_.Row<"; Error: texture %llu at %llX runs past the end of the file\n">(number, Rel(at));
    } else {
      out_.WriteText("      VTPTextureName \"");
      out_.WriteText(name);
      out_.WriteText("\"\n");
      out_.Row<"      VTPTextureType %u, %u, %u, %u\n">(Bits(type, 0, 4), Bits(type, 4, 1), Bits(type, 5, 3),
                  unsigned{img_.U8(typeAt + 1)});
      if (Bits(type, 5, 3) != 0) out_.Row<"; Reserved not 0 in VTPTxtureType, position %llx\n">(Rel(typeAt));
      if ((type & 0x10) != 0) {
        out_.WriteText("     BYTE\t\"");
        out_.WriteText(second);
        out_.WriteText("\"\n      BYTE\t0");
        out_.WriteNewline();
      }
    }
    out_.Row<"   EndTexture%llu\tlabel\tword\n">(number);
  }
}

// A VTP area record: the area word (bits 0-4 layer count, bit 5 polygon
// method), then per layer its layer byte and texture count, and per texture
// its id, its polygon count (bit 7: an extension byte adds 128 times its
// value) and its polygons.
uint64_t TerrainSection::WriteVtpRecord(uint64_t p) {
  const uint32_t w = img_.U16(p);
  const unsigned layers = Bits(w, 0, 5);
  const bool method2 = Bits(w, 5, 1) != 0;
  Putf("VTPDataArea %u, %u, %u, %u\n", layers, Bits(w, 5, 1), Bits(w, 6, 5), Bits(w, 11, 5));
  p += 2;
  for (unsigned l = 0; l < layers && !img_.failed(); ++l) {
    const unsigned layer = img_.U8(p);
    Putf("   VTPLayer %u, %u\n", Bits(layer, 0, 7), Bits(layer, 7, 1));
    p += 1;
    const unsigned textures = img_.U8(p);
    if ((textures & 0x80) != 0) {
      Putf("; Reserved bit not 0 in VTPNumTexturesInLayer, position %llx\n", Rel(p));
    }
    Putf("   VTPNumTexturesInLayer %u, 0\n", Bits(textures, 0, 7));
    p += 1;
    for (unsigned t = 0; t < Bits(textures, 0, 7) && !img_.failed(); ++t) {
      const unsigned id = img_.U8(p);
      Putf("      VTPTextureId %u, 0\n", Bits(id, 0, 7));
      if ((id & 0x80) != 0) Putf("; Reserved bit not 0 in VTPTextureId, position %llx\n", Rel(p));
      p += 1;
      const unsigned countByte = img_.U8(p);
      unsigned polygons = Bits(countByte, 0, 7);
      Putf("      VTPPolyCount %u, %u\n", polygons, Bits(countByte, 7, 1));
      if ((countByte & 0x80) != 0) {
        p += 1;
        const unsigned extension = img_.U8(p);
        polygons += 128 * extension;
        Putf("        db %u\n", extension);
      }
      p += 1;
      for (unsigned k = 0; k < polygons && !img_.failed(); ++k) {
        p = method2 ? WritePolygonMethod2(p) : WritePolygonMethod1(p);
      }
    }
  }
  return p;
}

// Method 1: head byte (bits 0-5 point count, 63 = extended by the first of
// two more bytes; bits 6 and 7 printed), then 4-byte points.
uint64_t TerrainSection::WritePolygonMethod1(uint64_t p) {
  const unsigned head = img_.U8(p);
  unsigned points = Bits(head, 0, 6);
  Putf("         VTPPolyMethod1 %u, %u, %u\n", points, Bits(head, 6, 1), Bits(head, 7, 1));
  p += 1;
  if (points == 63) {
    const unsigned extension = img_.U8(p);
    Putf("         VTPPolyMethod1Ex %u\n", extension);
    points += extension;
    p += 2;
  }
  for (unsigned j = 0; j < points && !img_.failed(); ++j) {
    Putf("            VTPPointXYUV %u, %u, %u, %u\n", unsigned{img_.U8(p)}, unsigned{img_.U8(p + 1)},
                unsigned{img_.U8(p + 2)}, unsigned{img_.U8(p + 3)});
    p += 4;
  }
  return p;
}

// Method 2: head byte (bits 0-4 point count, 31 = extended by the first of
// two more bytes; bit 5 wide points; bits 6-7 reserved). A plain point is two
// u16; a wide one a u32 (bits 0-13, bit 14 = a width byte follows, bits
// 15-28, bits 29-31 reserved).
uint64_t TerrainSection::WritePolygonMethod2(uint64_t p) {
  const unsigned head = img_.U8(p);
  unsigned points = Bits(head, 0, 5);
  const bool wide = Bits(head, 5, 1) != 0;
  Putf("         VTPPolyMethod2 %u, %u, %u\n", points, Bits(head, 5, 1), Bits(head, 6, 2));
  if (Bits(head, 6, 2) != 0) Putf("; Reserved bits not 0 in VTPPolyMethod2, position %llx\n", Rel(p));
  p += 1;
  if (points == 31) {
    // Bit 7 of the extension is reserved, but all eight bits count.
    const unsigned extension = img_.U8(p);
    Putf("         VTPPolyMethod2Ex %u\n", extension);
    if ((extension & 0x80) != 0) {
      Putf("; Reserved bit not 0 in VTPPolyMethod2Ex, position %llx\n", Rel(p));
    }
    points += extension;
    p += 2;
  }
  for (unsigned j = 0; j < points && !img_.failed(); ++j) {
    if (!wide) {
      Putf("            VTPPointXY2 %u, %u\n", unsigned{img_.U16(p)}, unsigned{img_.U16(p + 2)});
      p += 4;
      continue;
    }
    const uint32_t v = img_.U32(p);
    Putf("            VTPWidePoint %u, %u, %u, %u\n", Bits(v, 0, 14), Bits(v, 14, 1), Bits(v, 15, 14),
                Bits(v, 29, 3));
    if (Bits(v, 29, 3) != 0) Putf("; Reserved bits not 0 in VTPWidePoint, position %llx\n", Rel(p));
    p += 4;
    if (Bits(v, 14, 1) != 0) {
      Putf("            VTPWidePointWidth %u\n", unsigned{img_.U8(p)});
      p += 1;
    }
  }
  return p;
}

}  // namespace skarn
