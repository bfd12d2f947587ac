// The structured account of a file: every section kind it itemises, built
// byte by byte, with the numbers the source text shows; and its JSON form.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Examples.h"
#include "KindFiles.h"
#include "FakeHost.h"
#include "core/Account.h"
#include "core/SkarnDoc.h"
#include "TestUtil.h"
#include "index/AccountJson.h"
#include "index/IndexDb.h"
#include "index/Json.h"

#if defined(SKARN_TEST_SQLITE)
#include <sqlite3.h>
#endif

namespace skarn::test {
namespace {

FileAccount Describe(const std::vector<uint8_t>& image) {
  FakeHost host;
  CSkarnDoc doc(host);
  doc.OpenImage(image, "t.bgl");
  FileAccount a;
  DescribeFile(doc, a);
  return a;
}

std::string Kinds(const FileAccount& a) {
  std::string s;
  for (const AccountFeature& f : a.features) s += std::string(s.empty() ? "" : " ") + f.kind;
  return s;
}

double Value(const AccountFeature& f, const std::string& key) {
  for (const AccountField& v : f.fields) {
    if (v.key == key) return v.number;
  }
  return NAN;
}

std::string TextValue(const AccountFeature& f, const std::string& key) {
  for (const AccountField& v : f.fields) {
    if (v.key == key) return v.text;
  }
  return "?";
}

struct Case {
  const char* name;
  std::function<std::vector<uint8_t>()> build;
  const char* kinds;
  std::function<void(const FileAccount&)> check;
};

TEST(Account, ItemisesEachSectionKind) {
  const Case cases[] = {
      {"procedural", AirfieldExample, "object object",
       [](const FileAccount& a) {
         EXPECT_NEAR(a.features[0].lat, 47.5, 1e-5);
         EXPECT_NEAR(a.features[0].lon, 8.52, 1e-5);
         EXPECT_EQ(Value(a.features[0], "radius"), 100);
         EXPECT_EQ(TextValue(a.features[0], "area"), "6");
         ASSERT_EQ(a.bitmaps.size(), 1u);
         EXPECT_EQ(a.bitmaps[0], "pad.bmp");
         EXPECT_NEAR(a.north, 47.52, 1e-6);
         ASSERT_EQ(a.sections.size(), 3u);
         EXPECT_FALSE(a.sections[0].detailed);  // MSA
         EXPECT_EQ(a.sections[1].bands.size(), 2u);
       }},
      {"vor", VorFile, "vor ils dme",
       [](const FileAccount& a) {
         const AccountFeature& vor = a.features[0];
         EXPECT_EQ(vor.ident, "KLO");
         EXPECT_EQ(vor.name, "KLOTEN");
         EXPECT_EQ(Value(vor, "frequency"), 108.0);
         EXPECT_EQ(Value(vor, "range"), 40);
         EXPECT_NEAR(vor.lat, 18.0, 1e-9);
         EXPECT_NEAR(vor.lon, 45.0, 1e-9);
         EXPECT_EQ(Value(a.features[1], "heading"), 90.0);
         EXPECT_NEAR(Value(a.features[1], "gs_angle"), 3.0, 0.01);
         ASSERT_EQ(a.sections[0].bands.size(), 1u);
         EXPECT_EQ(a.sections[0].bands[0].count, 2);  // DME positions are not stations
       }},
      {"ndb and atis", NdbComFile, "atis ndb",
       [](const FileAccount& a) {
         const AccountFeature& atis = a.features[0];
         EXPECT_EQ(Value(atis, "frequency"), 118.25);
         EXPECT_EQ(Value(atis, "range"), 22);
         EXPECT_EQ(TextValue(atis, "runways"), "14L 32R 0  0 ");
         EXPECT_EQ(TextValue(atis, "text"), "INFO_{A}");
         const AccountFeature& ndb = a.features[1];
         EXPECT_EQ(Value(ndb, "frequency"), 345.05);
         EXPECT_EQ(ndb.ident, "ZH");
         EXPECT_EQ(ndb.name, "ZURICH_EAST");
       }},
      {"facilities", FacilitiesFile, "menu_airport exclusion",
       [](const FileAccount& a) {
         const AccountFeature& apt = a.features[0];
         EXPECT_EQ(apt.name, "Kloten");
         EXPECT_EQ(TextValue(apt, "region"), "Europe");
         EXPECT_NEAR(apt.lat, 18.0, 1e-6);
         EXPECT_EQ(apt.lon, 45.0);
         EXPECT_EQ(Value(apt, "altitude"), 432);
         EXPECT_EQ(Value(apt, "frequency1"), 118.5);
         EXPECT_NEAR(Value(a.features[1], "north"), 47.5, 1e-5);
         EXPECT_NEAR(Value(a.features[1], "west"), 8.0, 1e-6);
         ASSERT_EQ(a.libraryObjects.size(), 1u);
         EXPECT_EQ(a.libraryObjects[0].id, "11111111 22222222 33333333 44444444");
         EXPECT_EQ(a.libraryObjects[0].name, "hangar");
         EXPECT_EQ(a.libraryObjects[0].form, "new");
       }},
      {"new-style airport", AirportFile, "airport runway",
       [](const FileAccount& a) {
         EXPECT_EQ(a.features[0].ident, "LSZH");
         EXPECT_EQ(a.features[0].name, "Zurich");
         EXPECT_EQ(a.features[1].ident, "LSZH");
         EXPECT_NEAR(a.features[1].lat, 18.0, 1e-6);
         EXPECT_EQ(a.features[1].lon, 45.0);
         EXPECT_EQ(Value(a.features[1], "heading"), 90.0);
         EXPECT_EQ(Value(a.features[1], "length"), 3300);
         EXPECT_EQ(TextValue(a.features[1], "designator"), "L");
       }},
      {"misc and a cut dynamic band", MiscFile, "marker",
       [](const FileAccount& a) {
         EXPECT_EQ(TextValue(a.features[0], "type"), "outer");
         EXPECT_EQ(Value(a.features[0], "heading"), 90);
         ASSERT_EQ(a.problems.size(), 1u);
         EXPECT_NE(a.problems[0].text.find("Dyn Section"), std::string::npos);
         EXPECT_GT(a.problems[0].offset, 128);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FileAccount a = Describe(c.build());
    EXPECT_TRUE(a.read);
    EXPECT_EQ(Kinds(a), c.kinds);
    if (a.features.size() > 0) c.check(a);
  }
}

TEST(Account, UnreadableFileHasOnlyItsProblem) {
  const FileAccount a = Describe(std::vector<uint8_t>(50, 0));
  EXPECT_FALSE(a.read);
  EXPECT_TRUE(a.sections.empty());
  ASSERT_EQ(a.problems.size(), 1u);
  EXPECT_NE(a.problems[0].text.find("too short"), std::string::npos);
  EXPECT_STREQ(index::AccountStatus(a), "failed");
}

TEST(Account, ListsSharedByManyBandsAreListedOnce) {
  // 200 bands naming, in turn, the later and the earlier of two lists of 50
  // beacons: each beacon is one feature, however many bands name it (as
  // many as the reading allows) and in whatever order.
  Bytes table;
  const uint32_t earlier = 200 * 9 + 1;
  const uint32_t later = earlier + 50 * 42 + 1;
  for (int i = 0; i < 200; ++i) table.u8(0x15).i16(0).i16(20).u32(i % 2 == 0 ? later : earlier);
  table.u8(0);
  for (int list = 0; list < 2; ++list) {
    for (int i = 0; i < 50; ++i) {
      table.u8(4).raw({0x45, 0x03, 0x50}).u24(0).u24(0).i16(0).u8(0).text("B", 5).text("", 24);
    }
    table.u8(0);
  }
  BglBuilder b;
  b.Section(0x4E, table);
  const FileAccount a = Describe(b.Build());
  EXPECT_EQ(a.features.size(), 100u);
  ASSERT_EQ(a.sections.size(), 1u);
  ASSERT_EQ(a.sections[0].bands.size(), 200u);
  EXPECT_EQ(a.sections[0].bands[3].count, 50);
}

TEST(Account, RecordsNamedFromTwoPlacesKeepBoth) {
  // Two menu regions sharing one airport list: the airport is listed under
  // each region, as the source writes it.
  Bytes menu;
  menu.u8(1).i16(14).i32(29).chars("Europe").u8(0);
  menu.u8(1).i16(14).i32(29).chars("Africa").u8(0).u8(0);
  menu.u8(3).i16(34).i32(0).i32(0).i32(0).u16(0).zeros(10).chars("Kloten").u8(0).u8(0);
  BglBuilder b;
  b.Section(0x42, menu);
  const FileAccount a = Describe(b.Build());
  ASSERT_EQ(Kinds(a), "menu_airport menu_airport");
  EXPECT_EQ(TextValue(a.features[0], "region"), "Europe");
  EXPECT_EQ(TextValue(a.features[1], "region"), "Africa");
}

TEST(Account, OverlappingRecordsAreCut) {
  // 64 KiB of 0x04: an object header every 4 bytes, each ending inside its
  // own header, far more objects than a file of that size could hold apart.
  Bytes proc;
  proc.u8(0x15).i16(0).i16(20).u32(10).u8(0);
  for (int i = 0; i < 65536; ++i) proc.u8(4);
  BglBuilder b;
  b.Section(0x3A, proc);  // the procedural section
  const FileAccount a = Describe(b.Build());
  EXPECT_EQ(a.features.size(), a.featureLimit);
  ASSERT_FALSE(a.problems.empty());
  EXPECT_NE(a.problems.back().text.find("more features than an account lists"), std::string::npos);
}

TEST(AccountJson, TextsNumbersAndSchema) {
  std::string s;
  index::AppendJsonString(s, std::string("a\"\\\n\x01 \xE9 \xC3\xA9", 10));
  EXPECT_EQ(s, "\"a\\\"\\\\\\n\\u0001 \xC3\xA9 \xC3\xA9\"");
  s.clear();
  for (double v : {0.5, -0.0, 108.0, 47.123456789012345, 1e300 * 1e300}) {
    index::AppendJsonNumber(s, v);
    s += ' ';
  }
  EXPECT_EQ(s, "0.5 0 108 47.123456789012 null ");
  const std::string json = index::AccountJson(Describe(AirfieldExample()));
  EXPECT_EQ(json.rfind("{\"schema\":\"skarn-account\",\"version\":1,", 0), 0u);
  EXPECT_NE(json.find("\"bitmaps\":[\"pad.bmp\"]"), std::string::npos);
  EXPECT_EQ(json.find('\n'), std::string::npos);
}

#if defined(SKARN_TEST_SQLITE)
// The rows of a query, each as its columns' texts joined by "|".
std::vector<std::string> Query(const std::string& db, const char* sql) {
  sqlite3* h = nullptr;
  std::vector<std::string> rows;
  EXPECT_EQ(sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(h, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
  while (st != nullptr && sqlite3_step(st) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      row += (i == 0 ? "" : "|") + std::string(t != nullptr ? reinterpret_cast<const char*>(t) : "NULL");
    }
    rows.push_back(row);
  }
  sqlite3_finalize(st);
  sqlite3_close(h);
  return rows;
}

TEST(IndexDatabase, AnswersTheReadmeQueries) {
  TempDir dir;
  const std::string path = (dir.path() / "index.db").string();
  std::string error;
  auto db = index::IndexDatabase::Create(path, nullptr, &error);
  ASSERT_TRUE(db) << error;
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"vor.bgl", VorFile()}, {"ndb.bgl", NdbComFile()}, {"apt.bgl", AirportFile()}, {"bad.bgl", {1, 2, 3}}};
  for (const auto& [name, bytes] : files) {
    FileAccount a = Describe(bytes);
    a.path = name;
    ASSERT_TRUE(db->Add(a, &error)) << error;
  }
  ASSERT_TRUE(db->Finish(&error)) << error;
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
  EXPECT_EQ(Query(path,
                  "SELECT f.path, x.frequency FROM features x JOIN files f ON f.id = x.file_id "
                  "WHERE x.kind = 'vor' AND x.ident = 'KLO'"),
            std::vector<std::string>{"vor.bgl|108.0"});
  // Beacons within 50 nm of 18 N 45 E (cos 18 = 0.951).
  EXPECT_EQ(Query(path,
                  "SELECT f.path, x.ident FROM features x JOIN files f ON f.id = x.file_id "
                  "WHERE x.kind = 'ndb' AND x.lat BETWEEN 18 - 50/60.0 AND 18 + 50/60.0 "
                  "AND (x.lat - 18) * (x.lat - 18) + (x.lon - 45) * (x.lon - 45) * 0.904 <= (50/60.0) * (50/60.0)"),
            std::vector<std::string>{"ndb.bgl|ZH"});
  EXPECT_EQ(Query(path, "SELECT f.path, p.text FROM files f JOIN problems p ON p.file_id = f.id WHERE f.status = 'failed'"),
            std::vector<std::string>{"bad.bgl|Error: file too short for a BGL header (3 bytes, at least 128 needed)"});
  EXPECT_EQ(Query(path,
                  "SELECT x.ident, json_extract(x.vals, '$.length') FROM features x "
                  "WHERE x.kind = 'runway' AND json_extract(x.vals, '$.length') > 3000"),
            std::vector<std::string>{"LSZH|3300"});
  EXPECT_EQ(Query(path, "SELECT value FROM meta WHERE key = 'version'"), std::vector<std::string>{"1"});
}
#endif

}  // namespace
}  // namespace skarn::test
