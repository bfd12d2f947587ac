#include "core/SkarnDoc.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <new>

#include "core/Format.h"
#include "core/PlatformFile.h"
#include "core/SectionFactory.h"
#include "core/Unpack.h"
#include "decompress/Decompress.h"
#include "sections/nav/TableSections.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn {

namespace {

// Header field that holds each slot's section offset (0: the slot is never
// filled from the header).
constexpr uint32_t kSlotField[CSkarnDoc::kSlots] = {
    0x12, 0x1A, 0x1E, 0x22, 0x26, 0x2A, 0x2E, 0x32, 0x36, 0x3A, 0x3E,
    0x42, 0,    0x4A, 0x4E, 0x52, 0x66, 0x6E, 0x72, 0,    0xA4, 0};

}  // namespace

const char* SlotName(int slot) {
  static const char* const kNames[CSkarnDoc::kSlots] = {
      "VOR/ILS",        "seed 1",          "seed 2",       "seed 3",
      "seed 4",         "seed 5",          "seed 6",       "MSA",
      "terrain data",   "procedural scenery", "library",   "old-style facilities",
      "",               "COM (ATIS)",      "NDB",          "dynamic scenery",
      "miscellaneous",  "magnetic variation", "exclusion", "",
      "new-style facilities", ""};
  return slot >= 0 && slot < CSkarnDoc::kSlots ? kNames[slot] : "";
}

CSkarnDoc::CSkarnDoc(Host& host) : host_(host) {}

CSkarnDoc::~CSkarnDoc() { DeleteContents(); }

BglSection* CSkarnDoc::section(int slot) const {
  return slot >= 0 && slot < kSlots ? sections_[static_cast<size_t>(slot)].get() : nullptr;
}

void CSkarnDoc::Report(const std::string& text, uint64_t fileOffset) const {
  if (problems_.size() < kMaxProblems) {
    problems_.push_back(
        AccountProblem{text, fileOffset > static_cast<uint64_t>(INT64_MAX) ? -1 : static_cast<int64_t>(fileOffset)});
  }
  host_.ShowMessage(text);
}

void CSkarnDoc::ReportFile(const std::string& text, const std::string& path, const std::string& reason) const {
  if (problems_.size() < kMaxProblems) problems_.push_back(AccountProblem{text + ": " + reason, -1});
  host_.ShowFileMessage(text, path, reason);
}

std::string CSkarnDoc::FileNameOf(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

void CSkarnDoc::SetPath(const std::string& path) {
  fullPath_ = path;
  fileName_ = FileNameOf(path);
}

void CSkarnDoc::SetImage(std::vector<uint8_t> bytes) {
  bytes_ = std::move(bytes);
  file_.Release();
  image_ = ByteReader(bytes_.data(), bytes_.size());
  hasImage_ = true;
}

void CSkarnDoc::SetFileImage(platform::FileBytes file) {
  file_ = std::move(file);
  bytes_.clear();
  bytes_.shrink_to_fit();
  image_ = ByteReader(file_.data(), file_.size());
  hasImage_ = true;
}

void CSkarnDoc::DeleteContents() {
  // Sections point into the image: they go first.
  for (auto& s : sections_) s.reset();
  summary_.clear();
  problems_.clear();
  bytes_.clear();
  bytes_.shrink_to_fit();
  file_.Release();
  image_ = ByteReader();
  hasImage_ = false;
  analysed_ = false;
  terrain_ = false;
  compressed_ = false;
}

bool CSkarnDoc::Open(const std::string& path) {
  SetPath(path);
  DeleteContents();
  try {
    ReadBglFile(path);
    if (!hasImage_) return false;
    analysed_ = AnalyzeImage();
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
  return analysed_;
}

bool CSkarnDoc::OpenImage(std::vector<uint8_t> bytes, const std::string& path) {
  SetPath(path);
  DeleteContents();
  try {
    SetImage(std::move(bytes));
    analysed_ = AnalyzeImage();
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
  return analysed_;
}

void CSkarnDoc::OutOfMemory() {
  // What the analysis built so far goes first, which also frees the memory
  // the message needs.
  DeleteContents();
  Report("Error: not enough memory to analyze BGL file " + fileName_);
}

void CSkarnDoc::ReadBglFile(const std::string& path) {
  // Only a regular file has a length to read (a folder opens on some systems).
  std::error_code ec;
  const std::filesystem::path fsPath = platform::PathOf(path);
  const std::filesystem::file_status status = std::filesystem::status(fsPath, ec);
  if (ec || !std::filesystem::is_regular_file(status)) {
    const std::string why = ec                                          ? ec.message()
                            : std::filesystem::is_directory(status) ? platform::ErrorText(EISDIR)
                                                                    : std::string("not a regular file");
    ReportFile("Error: unable to open BGL file", path, why);
    return;
  }
  const uintmax_t length = std::filesystem::file_size(fsPath, ec);
  if (ec) {
    ReportFile("Error: unable to open BGL file", path, ec.message());
    return;
  }
  // Every offset in the file is 32 bits wide: a larger file is not a BGL file.
  if (length > 0xFFFFFFFFu) {
    ReportFile("Error: BGL file too large (over 4 GiB)", path, Format("%ju bytes", length));
    return;
  }
  platform::FileBytes file;
  std::string error;
  std::string shortRead;
  try {
    if (!platform::FileBytes::Read(path, length, &file, &error, &shortRead)) {
      ReportFile("Error: unable to open BGL file", path, error);
      return;
    }
  } catch (const std::bad_alloc&) {
    ReportFile("Error: not enough memory to read BGL file", path, platform::ErrorText(ENOMEM));
    return;
  }
  if (!shortRead.empty()) ReportFile("Warning: number of bytes read not equal to file length", path, shortRead);
  SetFileImage(std::move(file));
}

std::unique_ptr<BglSection> CSkarnDoc::CreateSection(int slot, uint64_t start) {
  const ByteReader& img = image_;
  switch (slot) {
    case 0: return MakeVorSection(*this, start, img.I16(hdr::kFirstVorChannel), img.I16(hdr::kLastVorChannel));
    case 1: case 2: case 3: case 4: case 5: case 6: return MakeSeedSection(*this, start, slot);
    case 7: return std::make_unique<MsaSection>(*this, start);
    case 8: return MakeTerrainSection(*this, start);
    case 9: return std::make_unique<ProceduralSection>(*this, start);
    case 10: return MakeLibrarySection(*this, start);
    case 11: return MakeFacilitySection(*this, start);
    case 13: return MakeComSection(*this, start);
    case 14: return MakeNdbSection(*this, start);
    case 15: return MakeDynamicSection(*this, start);
    case 16: return MakeMiscSection(*this, start);
    case 17: return std::make_unique<MagvarSection>(*this, start);
    case 18: return MakeExcludeSection(*this, start);
    case 20: return MakeAirportFacilitySection(*this, start, img.U32(hdr::kNameLists));
    default: return nullptr;  // slots 12, 19 and 21 are never filled
  }
}

void CSkarnDoc::CreateSlot(int slot, uint32_t offset) {
  if (offset == 0) return;
  if (offset >= image_.size()) {
    // The problem lies in the header field that holds the offset.
    Report(Format("Error: the %s section offset 0x%X lies beyond the end of the file (%zu bytes); section skipped",
                  SlotName(slot), offset, image_.size()),
           slot == 20 ? hdr::kObjectList : kSlotField[slot]);
    return;
  }
  sections_[static_cast<size_t>(slot)] = CreateSection(slot, offset);
}

uint64_t CSkarnDoc::OutputAllowance() const {
  constexpr uint64_t kTextPerByte = 64;
  constexpr uint64_t kOpening = uint64_t{1} << 20;
  constexpr uint64_t kUnpackedCap = 512000000;
  uint64_t allowance = kTextPerByte * image_.size() + kOpening;
  if (image_.size() > storedSize_) allowance = std::min(allowance, std::max(kUnpackedCap, kTextPerByte * storedSize_));
  return allowance;
}

bool CSkarnDoc::AnalyzeImage() {
  const ByteReader& img = image_;
  storedSize_ = img.size();
  compressed_ = false;
  // A compressed file is unpacked first; the unpacker judges its own header
  // and block lengths, so a cut compressed file gets its reason text.
  if (img.Has(hdr::kCompressedFlag, 2) && img.U16(hdr::kCompressedFlag) != 0) {
    // Its unpacked form, laid out like a plain file with the flag cleared,
    // becomes the image, and everything below reads that. The block is moved
    // into the image, never copied. A file that fails to unpack is still
    // said to be compressed.
    compressed_ = true;
    if (const std::string refusal = UnpackRefusal(img.data(), img.size()); !refusal.empty()) {
      Report(refusal);
      return false;
    }
    size_t unpackedSize = 0;
    std::vector<uint8_t> unpacked;
    const int32_t result = DecompressBgl(img.data(), img.size(), &unpackedSize, &unpacked);
    if (result != kDecompressOk) {
      Report(DecompressFailureText(result));
      ReleaseDecompressedBgl(unpackedSize, &unpacked);
      return false;
    }
    SetImage(std::move(unpacked));
    ReleaseDecompressedBgl(unpackedSize, &unpacked);  // nothing left after the move
  }
  if (img.size() < hdr::kSize) {
    Report(Format("Error: file too short for a BGL header (%zu bytes, at least %u needed)", img.size(),
                  hdr::kSize));
    return false;
  }
  const bool extended = img.U32(hdr::kExtendedMark) == hdr::kExtendedMagic;
  if (extended && img.size() < hdr::kExtendedSize) {
    Report(Format("Error: file too short for an extended BGL header (%zu bytes, at least %u needed)",
                  img.size(), hdr::kExtendedSize));
    return false;
  }

  summary_.push_back(Format("Filename: %s;  VIS-Type: %d", fileName_.c_str(), img.I16(hdr::kVisType)));
  std::string bounds = "Latitude ";
  bounds += geo_.Lat32Text(img.I32(hdr::kSouth));
  bounds += " to ";
  bounds += geo_.Lat32Text(img.I32(hdr::kNorth));
  bounds += ", Longitude ";
  bounds += geo_.Lon32Text(img.I32(hdr::kWest));
  bounds += " to ";
  bounds += geo_.Lon32Text(img.I32(hdr::kEast));
  summary_.push_back(bounds);

  for (int slot = 0; slot <= 18; ++slot) {
    const uint32_t field = kSlotField[slot];
    if (field == 0) continue;
    const uint32_t offset = img.U32(field);
    if (slot == 8 && offset != 0) terrain_ = true;
    CreateSlot(slot, offset);
  }

  if (extended && img.U32(hdr::kObjectList) != 0) {
    summary_.push_back("Facilities section (new style):");
    CreateSlot(20, img.U32(hdr::kObjectList));
    summary_.push_back(Format("   Object List at %.5X", img.U32(hdr::kObjectList)));
    summary_.push_back(Format("   Name Lists at %.5X", img.U32(hdr::kNameLists)));
  }

  for (auto& s : sections_) {
    if (s) s->Summarize(summary_);
  }
  return true;
}

}  // namespace skarn
