// The document: one BGL file at a time.
//
// It holds the file image (the whole file, mapped read-only where the system
// allows it, or its unpacked form), the summary
// lines, and the section table of 22 slots, each empty or owning one section
// object. Everything a command needs (the image, the output writer, the host)
// is reached through the document, so documents are independent of each other.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ByteReader.h"
#include "core/FileAccount.h"
#include "core/GeoText.h"
#include "core/Host.h"
#include "core/PlatformFile.h"
#include "core/SourceWriter.h"

namespace skarn {

// Header offsets of the BGL file (all little-endian, from the first byte).
namespace hdr {
constexpr uint32_t kVisType = 0x00;
constexpr uint32_t kNorth = 0x02;
constexpr uint32_t kSouth = 0x06;
constexpr uint32_t kEast = 0x0A;
constexpr uint32_t kWest = 0x0E;
constexpr uint32_t kFirstVorChannel = 0x16;
constexpr uint32_t kLastVorChannel = 0x18;
constexpr uint32_t kMinLibraryId = 0x56;
constexpr uint32_t kMaxLibraryId = 0x5E;
constexpr uint32_t kExtendedMark = 0x76;
constexpr uint32_t kCompressedFlag = 0x7C;
constexpr uint32_t kNameLists = 0x9C;
constexpr uint32_t kObjectList = 0xA4;
constexpr uint32_t kExtendedMagic = 0x87654321;
constexpr uint32_t kSize = 128;
constexpr uint32_t kExtendedSize = 168;
}  // namespace hdr

class CSkarnDoc {
 public:
  static constexpr int kSlots = 22;

  explicit CSkarnDoc(Host& host);
  virtual ~CSkarnDoc();
  CSkarnDoc(const CSkarnDoc&) = delete;
  CSkarnDoc& operator=(const CSkarnDoc&) = delete;

  // The Open command without its dialog: empties the document, reads the file
  // and analyses it. Returns the analysed flag. Memory running out anywhere
  // on the way leaves an empty document and is reported, naming the file.
  bool Open(const std::string& path);
  // The same for bytes already in memory (path names the file for messages
  // and proposed output names).
  bool OpenImage(std::vector<uint8_t> bytes, const std::string& path);

  // Reads the named file whole into a new image; reports its own errors.
  virtual void ReadBglFile(const std::string& path);
  // Analyses the image: header lines, section table, summaries. True on
  // success.
  bool AnalyzeImage();
  // Deletes the sections (slot 0 to 21), the summary lines and the image.
  void DeleteContents();

  const std::string& fullPath() const { return fullPath_; }
  const std::string& fileName() const { return fileName_; }
  // The file name part of a path (after its last "/" or "\\").
  static std::string FileNameOf(const std::string& path);
  std::string outputPath;

  const std::vector<std::string>& summary() const { return summary_; }
  bool analysed() const { return analysed_; }
  bool terrain() const { return terrain_; }
  bool hasImage() const { return hasImage_; }

  BglSection* section(int slot) const;

  Host& host() const { return host_; }
  SourceWriter& writer() { return writer_; }
  const ByteReader& image() const { return image_; }
  // The most text one command may write for this file. The source of a
  // sound file comes to about 25 bytes for each byte of the image, and the
  // read limits of the sections keep a hostile file to about twice that: 64
  // bytes a byte (and a megabyte for the opening lines) leaves room for
  // both. A compressed file may unpack to far more than it holds; its text
  // is also kept to 512 MB, or 64 bytes for each byte stored when that is
  // more.
  uint64_t OutputAllowance() const;
  GeoText& geo() { return geo_; }

  // Shows a message through the host, and keeps it among the problems with
  // the file offset it concerns (none when left out, or beyond any file).
  void Report(const std::string& text, uint64_t fileOffset = UINT64_MAX) const;
  // The messages shown since the file was opened, oldest first (at most
  // kMaxProblems are kept).
  const std::vector<AccountProblem>& problems() const { return problems_; }
  static constexpr size_t kMaxProblems = 1000;
  // The file's size as stored, and whether it was compressed.
  uint64_t storedSize() const { return storedSize_; }
  bool compressed() const { return compressed_; }
  // The same for a file that cannot be opened or read: the path and the
  // system's reason go with the message.
  void ReportFile(const std::string& text, const std::string& path, const std::string& reason) const;

 private:
  void SetPath(const std::string& path);
  void SetImage(std::vector<uint8_t> bytes);
  void SetFileImage(platform::FileBytes file);
  // Empties the document and reports that memory ran out.
  void OutOfMemory();
  std::unique_ptr<BglSection> CreateSection(int slot, uint64_t start);
  void CreateSlot(int slot, uint32_t headerField);

  Host& host_;
  std::string fullPath_;
  std::string fileName_ = "Untitled";
  std::vector<std::string> summary_;
  std::array<std::unique_ptr<BglSection>, kSlots> sections_;
  GeoText geo_;
  // The image is one of these: a file's bytes as read or mapped, or bytes
  // handed over (an unpacked file, a test's image).
  platform::FileBytes file_;
  std::vector<uint8_t> bytes_;
  ByteReader image_;
  uint64_t storedSize_ = 0;  // the image's size before any unpacking
  bool compressed_ = false;
  mutable std::vector<AccountProblem> problems_;
  bool hasImage_ = false;
  bool analysed_ = false;
  bool terrain_ = false;
  SourceWriter writer_;
};

// Display name of the section of a slot, for messages ("VOR/ILS", "MSA", ...).
const char* SlotName(int slot);

}  // namespace skarn
