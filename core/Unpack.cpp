#include "core/Unpack.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "core/Format.h"
#include "core/Host.h"
#include "core/OutputSink.h"
#include "core/SkarnDoc.h"
#include "decompress/Decompress.h"

namespace skarn {

const char* const kBglFilter = "BGL files (*.bgl)|*.bgl|All Files (*.*)|*.*||";

std::string UnpackedName(const std::string& fileName) { return ProposedName(fileName, "_unpacked.bgl"); }

std::string UnpackRefusal(const uint8_t* file, size_t size) {
  if (file == nullptr || size < hdr::kSize) return "";
  const ByteReader img(file, size);
  const uint64_t header = img.U32(hdr::kExtendedMark) == hdr::kExtendedMagic ? hdr::kExtendedSize : hdr::kSize;
  if (!img.Has(header + 4, 4)) return "";
  const uint64_t declared = img.U32(header + 4);
  const uint64_t allowed = std::max(kUnpackFloor, kUnpackFactor * size);
  if (declared <= allowed) return "";
  return Format("Error: Compressed BGL file declares %llu unpacked bytes, more than %llu times its %zu bytes "
                "(or %llu bytes); not unpacked",
                static_cast<unsigned long long>(declared), static_cast<unsigned long long>(kUnpackFactor), size,
                static_cast<unsigned long long>(kUnpackFloor));
}

CommandResult UnpackToFile(const uint8_t* file, size_t size, const std::string& fileName, Host& host) {
  // As when the file is opened: a compressed flag is judged by the unpacker,
  // whatever the file's length.
  const bool compressed = file != nullptr && size >= hdr::kCompressedFlag + 2 &&
                          (file[hdr::kCompressedFlag] | file[hdr::kCompressedFlag + 1]) != 0;
  if (!compressed && (file == nullptr || size < hdr::kSize)) {
    if (file == nullptr) size = 0;
    host.ShowMessage(Format("Error: file too short for a BGL header (%zu bytes, at least %u needed)", size,
                            hdr::kSize));
    return CommandResult::kFailed;
  }
  if (!compressed) {
    host.ShowMessage("Error: " + fileName + " is not compressed; there is nothing to unpack");
    return CommandResult::kFailed;
  }
  if (const std::string refusal = UnpackRefusal(file, size); !refusal.empty()) {
    host.ShowMessage(refusal);
    return CommandResult::kFailed;
  }
  size_t unpackedSize = 0;
  std::vector<uint8_t> unpacked;
  const int32_t result = DecompressBgl(file, size, &unpackedSize, &unpacked);
  if (result != kDecompressOk) {
    host.ShowMessage(DecompressFailureText(result));
    return CommandResult::kFailed;
  }

  const std::optional<std::string> path = host.ChooseOutputPath(UnpackedName(fileName), kBglFilter, true);
  if (!path) return CommandResult::kCancelled;
  std::string error;
  std::unique_ptr<ByteSink> sink = host.OpenOutput(*path, &error);
  if (!sink) {
    host.ShowMessage(OutputOpenFailureText(*path, error));
    return CommandResult::kFailed;
  }
  try {
    sink->Write(reinterpret_cast<const char*>(unpacked.data()), unpackedSize);
    sink->Commit();
    return CommandResult::kWritten;
  } catch (const OutputError& e) {
    sink->Abort();
    host.ShowMessage(OutputWriteFailureText(e));
  } catch (const std::bad_alloc&) {
    sink->Abort();
    host.ShowMessage("Error: not enough memory to write output file: " + *path);
  }
  return CommandResult::kFailed;
}

CommandResult UnpackFile(const std::string& path, Host& host) {
  // The document's reading, so that read errors read as when the file is
  // opened; nothing is analysed.
  CSkarnDoc doc(host);
  doc.ReadBglFile(path);
  if (!doc.hasImage()) return CommandResult::kFailed;
  return UnpackToFile(doc.image().data(), doc.image().size(), CSkarnDoc::FileNameOf(path), host);
}

}  // namespace skarn
