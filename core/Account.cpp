#include "core/Account.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_set>

#include "core/Bitmaps.h"
#include "core/SkarnDoc.h"

namespace skarn {

bool FileAccount::FirstListing(uint64_t offset, std::string_view kind) {
  // Every record in the hash set lies at or before the last of the vector,
  // so a record beyond that is new.
  if (rising_.empty() || offset > rising_.back().offset) {
    rising_.push_back(Listed{offset, kind});
    return true;
  }
  const auto [from, to] = std::equal_range(rising_.begin(), rising_.end(), Listed{offset, kind},
                                           [](const Listed& a, const Listed& b) { return a.offset < b.offset; });
  if (std::find(from, to, Listed{offset, kind}) != to) return false;
  return others_.insert(Listed{offset, kind}).second;
}

AccountFeature* FileAccount::Add(const char* kind, uint64_t offset, bool once) {
  if (features.size() >= featureLimit || (once && !FirstListing(offset, kind))) return nullptr;
  AccountFeature& f = features.emplace_back();
  f.kind = kind;
  f.slot = sections.empty() ? -1 : sections.back().slot;
  f.offset = offset;
  return &f;
}

namespace {

// Takes the bitmap names out of the bitmap list's lines ("\tNAME (Bitmap)",
// "\tNAME (LoadBitmap)") as they stream past, keeping each name once: only
// the names are held, never the list.
class BitmapNameSink : public ByteSink {
 public:
  static constexpr size_t kMaxNames = 100000;
  explicit BitmapNameSink(std::vector<std::string>* names) : names_(names) {}
  void Write(const char* data, size_t size) override {
    while (size != 0) {
      const void* found = std::memchr(data, '\n', size);
      const size_t n = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - data) : size;
      line_.append(data, std::min(n, kMaxLine - std::min(kMaxLine, line_.size())));
      if (found == nullptr) return;
      TakeLine();
      line_.clear();
      data += n + 1;
      size -= n + 1;
    }
  }
  void Commit() override {}
  void Abort() noexcept override {}

 private:
  static constexpr size_t kMaxLine = 4096;
  void TakeLine() {
    std::string_view text(line_);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.empty() || text.front() != '\t') return;
    text.remove_prefix(1);
    for (const std::string_view tail : {std::string_view(" (Bitmap)"), std::string_view(" (LoadBitmap)")}) {
      if (text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail) {
        const std::string name(text.substr(0, text.size() - tail.size()));
        if (!name.empty() && names_->size() < kMaxNames && seen_.insert(name).second) names_->push_back(name);
        return;
      }
    }
  }
  std::vector<std::string>* names_;
  std::unordered_set<std::string> seen_;
  std::string line_;
};

void DescribeBitmaps(CSkarnDoc& doc, FileAccount& account) {
  if (!HasBitmapList(doc)) return;
  SourceWriter& w = doc.writer();
  if (!w.Open(std::make_unique<BitmapNameSink>(&account.bitmaps))) return;
  // The same allowance as the bitmap list's file.
  w.SetLimit(doc.OutputAllowance());
  try {
    ListAllBitmaps(doc);
    w.Close();
  } catch (const OutputLimitError& e) {
    w.Abort();
    account.problems.push_back(AccountProblem{std::string("Error: bitmap list cut: ") + e.what(), -1});
  } catch (const OutputError&) {
    w.Abort();
  }
}

}  // namespace

void DescribeFile(CSkarnDoc& doc, FileAccount& account) {
  account.path = doc.fullPath();
  account.fileName = doc.fileName();
  account.read = doc.analysed();
  const ByteReader& img = doc.image();
  account.fileSize = doc.storedSize();
  account.imageSize = img.size();
  account.compressed = doc.compressed();
  if (account.read) {
    account.visType = img.I16(hdr::kVisType);
    account.extended = img.U32(hdr::kExtendedMark) == hdr::kExtendedMagic;
    account.featureLimit = std::min<size_t>(FileAccount::kMaxFeatures, 1000 + img.size() / 7);
    // As the source's header line gives them: latitudes unfolded, longitudes
    // folded.
    account.north = img.I32(hdr::kNorth) * GeoText::kMetreLatitude;
    account.south = img.I32(hdr::kSouth) * GeoText::kMetreLatitude;
    account.east = GeoText::Lon32(img.I32(hdr::kEast));
    account.west = GeoText::Lon32(img.I32(hdr::kWest));
    for (int slot = 0; slot < CSkarnDoc::kSlots; ++slot) {
      BglSection* s = doc.section(slot);
      if (s == nullptr) continue;
      AccountSection& entry = account.sections.emplace_back();
      entry.slot = slot;
      entry.name = SlotName(slot);
      entry.offset = s->start();
      s->Describe(account);
    }
    if (account.features.size() >= account.featureLimit) {
      account.problems.push_back(
          AccountProblem{"Error: more features than an account lists; the rest are left out", -1});
    }
    DescribeBitmaps(doc, account);
  }
  // The analysis' messages first, then what the account itself met.
  account.problems.insert(account.problems.begin(), doc.problems().begin(), doc.problems().end());
}

}  // namespace skarn
