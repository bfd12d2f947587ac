#include "index/Scan.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "core/Account.h"
#include "core/PlatformFile.h"
#include "core/SkarnDoc.h"

namespace skarn::index {

bool IsBglName(const std::string& name) {
  if (name.size() < 4) return false;
  const std::string tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] == 'b' || tail[1] == 'B') && (tail[2] == 'g' || tail[2] == 'G') &&
         (tail[3] == 'l' || tail[3] == 'L');
}

FoundFiles FindBglFiles(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  FoundFiles found;
  for (const std::string& given : paths) {
    std::error_code ec;
    const fs::path root = platform::PathOf(given);
    const fs::file_status status = fs::status(root, ec);
    if (ec) {
      found.missing.push_back(given + ": " + ec.message());
      continue;
    }
    if (!fs::is_directory(status)) {
      found.files.push_back(given);
      continue;
    }
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
      const std::string name = platform::PathText(it->path().filename());
      if (IsBglName(name)) {
        found.files.push_back(platform::PathText(it->path()));
      } else {
        ++found.skipped;
      }
    }
  }
  std::sort(found.files.begin(), found.files.end());
  found.files.erase(std::unique(found.files.begin(), found.files.end()), found.files.end());
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
                  const std::function<bool(size_t index, FileAccount& account)>& take,
                  const std::function<bool()>& stop) {
  jobs = std::max(1u, std::min<unsigned>(jobs, static_cast<unsigned>(std::max<size_t>(1, files.size()))));
  // At most this many files are begun ahead of the one handed on next.
  const size_t window = 2 * static_cast<size_t>(jobs);
  std::mutex mutex;
  std::condition_variable changed;
  std::map<size_t, FileAccount> done;
  size_t next = 0;      // the next file to begin
  size_t handed = 0;    // the next file to hand on
  bool ending = false;  // no more files are begun

  auto work = [&] {
    BatchHost host(fs2000);
    for (;;) {
      size_t index = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return ending || next >= files.size() || next < handed + window; });
        if (ending || next >= files.size()) return;
        index = next++;
      }
      FileAccount account = ReadAccount(files[index], host);
      {
        std::lock_guard<std::mutex> lock(mutex);
        done.emplace(index, std::move(account));
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(jobs);
  for (unsigned i = 0; i < jobs; ++i) workers.emplace_back(work);

  for (;;) {
    FileAccount account;
    size_t index = 0;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return ending || handed >= files.size() || done.count(handed) != 0; });
      if (ending || handed >= files.size()) break;
      auto it = done.find(handed);
      account = std::move(it->second);
      done.erase(it);
      index = handed++;
    }
    changed.notify_all();
    const bool goOn = take(index, account) && !stop();
    if (!goOn) {
      std::lock_guard<std::mutex> lock(mutex);
      ending = true;
      changed.notify_all();
      break;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    ending = true;
  }
  changed.notify_all();
  for (std::thread& t : workers) t.join();
}

}  // namespace skarn::index
