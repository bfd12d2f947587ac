#include "index/IndexDb.h"

#if defined(SKARN_HAVE_SQLITE)

#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <cstdint>

#include "core/Format.h"
#include "core/PlatformFile.h"
#include "index/AccountJson.h"

namespace skarn::index {
namespace {

constexpr const char* kSchema = R"(
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
PRAGMA cache_size = -32768;
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE files (id INTEGER PRIMARY KEY, path TEXT NOT NULL, name TEXT NOT NULL, status TEXT NOT NULL,
  kind TEXT NOT NULL, size INTEGER, image_size INTEGER, compressed INTEGER, vis_type INTEGER, extended INTEGER,
  north REAL, south REAL, east REAL, west REAL, sections INTEGER, features INTEGER, problems INTEGER);
CREATE TABLE sections (id INTEGER PRIMARY KEY, file_id INTEGER NOT NULL REFERENCES files(id), slot INTEGER,
  name TEXT, offset INTEGER, detailed INTEGER, counts TEXT);
CREATE TABLE bands (id INTEGER PRIMARY KEY, section_id INTEGER NOT NULL REFERENCES sections(id),
  file_id INTEGER NOT NULL REFERENCES files(id), lat1 REAL, lat2 REAL, offset INTEGER, count INTEGER,
  frequency REAL);
CREATE TABLE features (id INTEGER PRIMARY KEY, file_id INTEGER NOT NULL REFERENCES files(id), slot INTEGER,
  kind TEXT NOT NULL, offset INTEGER, lat REAL, lon REAL, ident TEXT, name TEXT, frequency REAL, vals TEXT);
CREATE TABLE library_objects (id INTEGER PRIMARY KEY, file_id INTEGER NOT NULL REFERENCES files(id),
  object_id TEXT, name TEXT, form TEXT, offset INTEGER, size INTEGER);
CREATE TABLE bitmaps (id INTEGER PRIMARY KEY, file_id INTEGER NOT NULL REFERENCES files(id), name TEXT);
CREATE TABLE problems (id INTEGER PRIMARY KEY, file_id INTEGER NOT NULL REFERENCES files(id), offset INTEGER,
  text TEXT);
BEGIN;
)";

constexpr const char* kIndexes = R"(
COMMIT;
CREATE INDEX files_path ON files(path);
CREATE INDEX files_status ON files(status);
CREATE INDEX sections_file ON sections(file_id);
CREATE INDEX bands_file ON bands(file_id);
CREATE INDEX features_position ON features(lat, lon);
CREATE INDEX features_ident ON features(ident);
CREATE INDEX features_kind ON features(kind);
CREATE INDEX features_file ON features(file_id);
CREATE INDEX library_objects_file ON library_objects(file_id);
CREATE INDEX bitmaps_file ON bitmaps(file_id);
CREATE INDEX bitmaps_name ON bitmaps(name);
CREATE INDEX problems_file ON problems(file_id);
)";

enum Statement { kFile, kSection, kBand, kFeature, kLibrary, kBitmap, kProblem, kStatements };

constexpr const char* kInserts[kStatements] = {
    "INSERT INTO files (path, name, status, kind, size, image_size, compressed, vis_type, extended, north, south, "
    "east, west, sections, features, problems) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
    "INSERT INTO sections (file_id, slot, name, offset, detailed, counts) VALUES (?,?,?,?,?,?)",
    "INSERT INTO bands (section_id, file_id, lat1, lat2, offset, count, frequency) VALUES (?,?,?,?,?,?,?)",
    "INSERT INTO features (file_id, slot, kind, offset, lat, lon, ident, name, frequency, vals) "
    "VALUES (?,?,?,?,?,?,?,?,?,?)",
    "INSERT INTO library_objects (file_id, object_id, name, form, offset, size) VALUES (?,?,?,?,?,?)",
    "INSERT INTO bitmaps (file_id, name) VALUES (?,?)",
    "INSERT INTO problems (file_id, offset, text) VALUES (?,?,?)",
};

class SqliteIndex : public IndexDatabase {
 public:
  SqliteIndex(std::string path, std::string temp, TempFileRegistry* temps, int entry)
      : path_(std::move(path)), temp_(std::move(temp)), temps_(temps), entry_(entry) {}
  ~SqliteIndex() override {
    Close();
    if (!finished_) Discard();
  }

  bool Open(std::string* error) {
    if (sqlite3_open_v2(temp_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      return Fail(error);
    }
    if (!Exec(kSchema, error)) return false;
    std::string meta = Format("INSERT INTO meta VALUES ('schema', 'skarn-index'), ('version', '%d');", kSchemaVersion);
    if (!Exec(meta.c_str(), error)) return false;
    for (int i = 0; i < kStatements; ++i) {
      if (sqlite3_prepare_v2(db_, kInserts[i], -1, &statements_[i], nullptr) != SQLITE_OK) return Fail(error);
    }
    return true;
  }

  bool Add(const FileAccount& a, std::string* error) override {
    sqlite3_stmt* s = statements_[kFile];
    Text(s, 1, a.path);
    Text(s, 2, a.fileName);
    Text(s, 3, AccountStatus(a));
    Text(s, 4, AccountKind(a));
    sqlite3_bind_int64(s, 5, static_cast<sqlite3_int64>(a.fileSize));
    sqlite3_bind_int64(s, 6, static_cast<sqlite3_int64>(a.imageSize));
    sqlite3_bind_int(s, 7, a.compressed ? 1 : 0);
    if (a.read) {
      sqlite3_bind_int(s, 8, a.visType);
      sqlite3_bind_int(s, 9, a.extended ? 1 : 0);
      sqlite3_bind_double(s, 10, a.north);
      sqlite3_bind_double(s, 11, a.south);
      sqlite3_bind_double(s, 12, a.east);
      sqlite3_bind_double(s, 13, a.west);
    } else {
      for (int i = 8; i <= 13; ++i) sqlite3_bind_null(s, i);
    }
    sqlite3_bind_int64(s, 14, static_cast<sqlite3_int64>(a.sections.size()));
    sqlite3_bind_int64(s, 15, static_cast<sqlite3_int64>(a.features.size()));
    sqlite3_bind_int64(s, 16, static_cast<sqlite3_int64>(a.problems.size()));
    if (!Step(s, error)) return false;
    const sqlite3_int64 file = sqlite3_last_insert_rowid(db_);

    for (const AccountSection& sec : a.sections) {
      s = statements_[kSection];
      sqlite3_bind_int64(s, 1, file);
      sqlite3_bind_int(s, 2, sec.slot);
      Text(s, 3, sec.name);
      sqlite3_bind_int64(s, 4, static_cast<sqlite3_int64>(sec.offset));
      sqlite3_bind_int(s, 5, sec.detailed ? 1 : 0);
      Text(s, 6, SectionCountsJson(sec));
      if (!Step(s, error)) return false;
      const sqlite3_int64 section = sqlite3_last_insert_rowid(db_);
      for (const AccountBand& b : sec.bands) {
        s = statements_[kBand];
        sqlite3_bind_int64(s, 1, section);
        sqlite3_bind_int64(s, 2, file);
        sqlite3_bind_double(s, 3, b.lat1);
        sqlite3_bind_double(s, 4, b.lat2);
        sqlite3_bind_int64(s, 5, static_cast<sqlite3_int64>(b.offset));
        sqlite3_bind_int64(s, 6, b.count);
        if (b.frequency != 0.0) {
          sqlite3_bind_double(s, 7, b.frequency);
        } else {
          sqlite3_bind_null(s, 7);
        }
        if (!Step(s, error)) return false;
      }
    }
    for (const AccountFeature& f : a.features) {
      s = statements_[kFeature];
      sqlite3_bind_int64(s, 1, file);
      sqlite3_bind_int(s, 2, f.slot);
      Text(s, 3, std::string(f.kind));
      sqlite3_bind_int64(s, 4, static_cast<sqlite3_int64>(f.offset));
      if (f.located) {
        sqlite3_bind_double(s, 5, f.lat);
        sqlite3_bind_double(s, 6, f.lon);
      } else {
        sqlite3_bind_null(s, 5);
        sqlite3_bind_null(s, 6);
      }
      Text(s, 7, f.ident);
      Text(s, 8, f.name);
      sqlite3_bind_null(s, 9);
      for (const AccountField& v : f.fields) {
        if (!v.isText && std::strcmp(v.key, "frequency") == 0) sqlite3_bind_double(s, 9, v.number);
      }
      Text(s, 10, FeatureValuesJson(f));
      if (!Step(s, error)) return false;
    }
    for (const AccountLibraryObject& o : a.libraryObjects) {
      s = statements_[kLibrary];
      sqlite3_bind_int64(s, 1, file);
      Text(s, 2, o.id);
      Text(s, 3, o.name);
      Text(s, 4, o.form);
      sqlite3_bind_int64(s, 5, static_cast<sqlite3_int64>(o.offset));
      sqlite3_bind_int64(s, 6, static_cast<sqlite3_int64>(o.size));
      if (!Step(s, error)) return false;
    }
    for (const std::string& b : a.bitmaps) {
      s = statements_[kBitmap];
      sqlite3_bind_int64(s, 1, file);
      Text(s, 2, b);
      if (!Step(s, error)) return false;
    }
    for (const AccountProblem& p : a.problems) {
      s = statements_[kProblem];
      sqlite3_bind_int64(s, 1, file);
      if (p.offset >= 0) {
        sqlite3_bind_int64(s, 2, p.offset);
      } else {
        sqlite3_bind_null(s, 2);
      }
      Text(s, 3, p.text);
      if (!Step(s, error)) return false;
    }
    return true;
  }

  bool Finish(std::string* error) override {
    if (!Exec(kIndexes, error)) return false;
    Close();
    if (closeFailed_) {
      *error = "the database could not be closed";
      return false;
    }
    if (temps_ != nullptr) temps_->Hold();
    const bool moved = platform::MoveOver(temp_, path_, error);
    if (moved && temps_ != nullptr && entry_ >= 0) temps_->Remove(entry_);
    if (moved) finished_ = true;
    if (temps_ != nullptr) temps_->Resume();
    return moved;
  }

 private:
  static void Text(sqlite3_stmt* s, int i, const std::string& text) {
    sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  bool Step(sqlite3_stmt* s, std::string* error) {
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    return rc == SQLITE_DONE || Fail(error);
  }
  bool Exec(const char* sql, std::string* error) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail(error);
  }
  bool Fail(std::string* error) {
    *error = db_ != nullptr ? sqlite3_errmsg(db_) : "cannot open the database";
    return false;
  }
  void Close() {
    for (sqlite3_stmt*& s : statements_) {
      if (s != nullptr) sqlite3_finalize(s);
      s = nullptr;
    }
    if (db_ != nullptr && sqlite3_close(db_) != SQLITE_OK) closeFailed_ = true;
    db_ = nullptr;
  }
  void Discard() {
    platform::RemoveFile(temp_);
    if (temps_ != nullptr && entry_ >= 0) temps_->Remove(entry_);
  }

  std::string path_;
  std::string temp_;
  TempFileRegistry* temps_;
  int entry_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statements_[kStatements] = {};
  bool finished_ = false;
  bool closeFailed_ = false;
};

}  // namespace

std::unique_ptr<IndexDatabase> IndexDatabase::Create(const std::string& path, TempFileRegistry* temps,
                                                     std::string* error) {
  // A name of its own beside the target, made new (an old one left by a run
  // that was killed outright is replaced).
  const std::string temp = path + ".part";
  platform::RemoveFile(temp);
  int entry = -1;
  if (temps != nullptr) {
    temps->Hold();
    std::error_code ec;
    const std::string absolute = platform::PathText(std::filesystem::absolute(platform::PathOf(temp), ec));
    entry = temps->Add(ec ? temp : absolute);
    temps->Resume();
  }
  auto db = std::make_unique<SqliteIndex>(path, temp, temps, entry);
  if (!db->Open(error)) return nullptr;
  return db;
}

}  // namespace skarn::index

#else

namespace skarn::index {

std::unique_ptr<IndexDatabase> IndexDatabase::Create(const std::string&, TempFileRegistry*, std::string* error) {
  *error = "the database output is not available in this build (it was built without SQLite)";
  return nullptr;
}

}  // namespace skarn::index

#endif
