#include "index/Scan.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "core/Account.h"
#include "core/PlatformFile.h"
#include "core/SkarnDoc.h"
#include "index/Ordered.h"

namespace skarn::index {

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  s.remove_prefix(s.size() - tail.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (c != tail[i]) return false;
  }
  return true;
}

bool IsBglName(const std::string& name) { return EndsWithNoCase(name, ".bgl"); }

std::string Slashed(std::string path) {
#if defined(_WIN32)
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
#endif
  return path;
}

std::string JoinPath(const std::string& folder, const std::string& inFolder) {
  if (folder.empty()) return Slashed(inFolder);
  const bool separated = folder.back() == '/' || folder.back() == '\\';
  return folder + (separated ? "" : "/") + Slashed(inFolder);
}

FoundFiles FindBglFiles(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  struct Found {
    std::string path;
    std::string subdir;
    uint64_t size;
  };
  std::vector<Found> all;
  FoundFiles found;
  auto sizeOf = [](const fs::path& p) {
    std::error_code ec;
    const uintmax_t n = fs::file_size(p, ec);
    return ec ? uint64_t{0} : static_cast<uint64_t>(n);
  };
  for (const std::string& given : paths) {
    std::error_code ec;
    const fs::path root = platform::PathOf(given);
    const fs::file_status status = fs::status(root, ec);
    if (ec) {
      found.missing.push_back(given + ": " + ec.message());
      continue;
    }
    if (!fs::is_directory(status)) {
      all.push_back(Found{given, std::string(), sizeOf(root)});
      continue;
    }
    // The folder's own name leads the mirrored tree.
    fs::path name = fs::absolute(root, ec).lexically_normal();
    if (!name.has_filename()) name = name.parent_path();
    const fs::path top = name.filename();
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
      found.missing.push_back(given + ": " + ec.message());
      continue;
    }
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
      if (ec) {
        found.missing.push_back(platform::PathText(it->path()) + ": " + ec.message());
        break;
      }
      std::error_code typeError;
      if (!it->is_regular_file(typeError)) continue;
      const std::string fileName = platform::PathText(it->path().filename());
      if (!IsBglName(fileName)) {
        ++found.skipped;
        continue;
      }
      const fs::path inRoot = it->path().lexically_relative(root);
      const fs::path relative = inRoot.parent_path();
      const fs::path mirrored = relative.empty() ? top : (top / relative).lexically_normal();
      all.push_back(Found{JoinPath(given, platform::PathText(inRoot)), Slashed(platform::PathText(mirrored)),
                          sizeOf(it->path())});
    }
  }
  // A file reached through two of the paths keeps the place of the first.
  std::stable_sort(all.begin(), all.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
  all.erase(std::unique(all.begin(), all.end(), [](const Found& a, const Found& b) { return a.path == b.path; }),
            all.end());
  for (Found& f : all) {
    found.files.push_back(std::move(f.path));
    found.subdirs.push_back(std::move(f.subdir));
    found.sizes.push_back(f.size);
  }
  return found;
}

FileAccount ReadAccount(const std::string& path, Host& host) {
  FileAccount account;
  try {
    CSkarnDoc doc(host);
    doc.Open(path);
    DescribeFile(doc, account);
  } catch (const std::bad_alloc&) {
    account = FileAccount();
    account.problems.push_back(AccountProblem{"Error: not enough memory to read the account of " + path, -1});
  }
  account.path = path;
  account.fileName = CSkarnDoc::FileNameOf(path);
  return account;
}

void ReadAccounts(const std::vector<std::string>& files, unsigned jobs, bool fs2000,
                  const std::function<std::string(const FileAccount&)>& render,
                  const std::function<bool(size_t index, ReadFile& file)>& take) {
  RunInOrder<ReadFile>(
      files.size(), jobs,
      [&](size_t i) {
        BatchHost host(fs2000);
        ReadFile file;
        file.account = ReadAccount(files[i], host);
        if (render) file.text = render(file.account);
        return file;
      },
      take);
}

}  // namespace skarn::index
