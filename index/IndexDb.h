// The SQLite index of a scan: one database of the files' accounts (the
// tables are described in the README). Built only where SQLite is found; in
// other builds Create says the database output is not available.
#pragma once

#include <memory>
#include <string>

#include "core/FileAccount.h"
#include "core/OutputSink.h"

namespace skarn::index {

class IndexDatabase {
 public:
  virtual ~IndexDatabase() = default;
  // A new database that replaces path when Finish succeeds; it is written
  // beside path first (entered in temps, when given, so that a signal removes
  // it). Nullptr with *error set when it cannot be made.
  static std::unique_ptr<IndexDatabase> Create(const std::string& path, TempFileRegistry* temps,
                                               std::string* error);
  // Adds one file's account; false with *error set when the write failed.
  virtual bool Add(const FileAccount& account, std::string* error) = 0;
  // Ends the database and moves it into place.
  virtual bool Finish(std::string* error) = 0;
};

}  // namespace skarn::index
