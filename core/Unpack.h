// The unpack command: writes a compressed BGL file's unpacked form as a
// plain BGL file (header with its compressed flag cleared), so that tools
// which read only plain files can read it too. The decoder itself knows
// nothing of documents, hosts or output files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Commands.h"

namespace skarn {

class Host;

// The output name proposed for a file (scenery.bgl gives
// scenery_unpacked.bgl).
std::string UnpackedName(const std::string& fileName);

// Unpacks file[0, size) and writes the result to a path chosen through the
// host (proposed beside the input: UnpackedName(fileName)); the output file
// is complete or not there at all. A plain file is reported as not
// compressed, a file that cannot be unpacked with the same text as when it
// is opened; in both cases nothing is written (kFailed). kCancelled when no
// output path is chosen.
CommandResult UnpackToFile(const uint8_t* file, size_t size, const std::string& fileName, Host& host);

// The same for the named file, read whole first (its read errors are
// reported as when the file is opened).
CommandResult UnpackFile(const std::string& path, Host& host);

extern const char* const kBglFilter;

// A compressed file may declare any unpacked size, and a few hundred bytes
// of stream can soundly make a gigabyte. Every later step (the summary
// lines, the source, the account, the map) grows with the unpacked image, so
// a file is unpacked only to at most kUnpackFactor times its own size, or
// kUnpackFloor bytes when that is more; real files unpack to a few times
// their size.
constexpr uint64_t kUnpackFactor = 32;
constexpr uint64_t kUnpackFloor = uint64_t{1} << 20;
// The message refusing the compressed file[0, size) for its declared
// unpacked size, or "" when it may be unpacked (a header too short to
// declare a size is left for the unpacker to judge).
std::string UnpackRefusal(const uint8_t* file, size_t size);

}  // namespace skarn
