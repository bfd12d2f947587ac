// The structured account of a file: every section kind it itemises, built
// byte by byte, with the numbers the source text shows; and its JSON form.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Examples.h"
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

// 18 degrees north (2 m units), 45 degrees east (2^24 to the circle).
constexpr int32_t kN18 = 1000175;
constexpr int32_t kE45 = 2097152;

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

Bytes Vor(uint8_t id, const std::string& ident) {
  Bytes b;
  b.u8(id).u8(40).u16(0).u8(0).u24(kN18 & 0xFFFFFF).u24(kE45).i16(400).u16(0x4000).text(ident, 5).text("KLOTEN", 24);
  if (id == 5) b.u24(kN18 & 0xFFFFFF).u24(kE45).i16(410).i16(6859);
  return b;
}

std::vector<uint8_t> VorFile() {
  // Channel 0 (108.00 MHz): one band with a VOR, an ILS and a DME position.
  Bytes dme;
  dme.u8(20).zeros(6).u16(7).u24(kN18 & 0xFFFFFF).u24(kE45).i16(5);
  Bytes s;
  s.u8(1).i32(5).append(BandTable({{0, 20, 15}})).append(Vor(4, "KLO")).append(Vor(5, "IZH")).append(dme).u8(0);
  BglBuilder b;
  b.Set(hdr::kFirstVorChannel, 0, 2).Set(hdr::kLastVorChannel, 0, 2);
  b.Section(0x12, s);
  return b.Build();
}

std::vector<uint8_t> NdbComFile() {
  Bytes ndb;
  ndb.u8(4).raw({0x45, 0x03, 0x50}).u24(kN18 & 0xFFFFFF).u24(kE45).i16(300).u8(25).text("ZH", 5).text("ZURICH EAST", 24);
  const std::string text = "INFO (A)";
  Bytes atis;
  atis.u8(4).raw({0x25, 0x18}).u24(kN18 & 0xFFFFFF).u24(kE45).u8(11).i16(static_cast<int32_t>(17 + text.size()));
  atis.raw({0x40 | 14, 0x80 | 32, 0, 0}).chars(text).u8(0);
  BglBuilder b;
  b.Section(0x4E, BandedSection({{ndb}}, 0, 20, 20));
  b.Section(0x4A, BandedSection({{atis}}, 0, 20, 20));
  return b.Build();
}

std::vector<uint8_t> FacilitiesFile() {
  // Old-style menu: one region, one airport; an exclusion area; a library
  // object of the newer form.
  Bytes menu;
  menu.u8(1).i16(14).i32(15).chars("Europe").u8(0).u8(0);
  menu.u8(3).i16(34).i32(kN18 * 256).i32(0x20000000).i32(432 * 256).u16(0x8000).raw({0x50, 0x18}).raw({0x00, 0x19});
  menu.u16(0).raw({0x00, 0x21}).u16(0).chars("Kloten").u8(0).u8(0);
  Bytes excl;
  excl.u8(3).i16(0).i32(LatMetres(47.5)).i32(LatMetres(47.0)).i32(Lon32Units(9.0)).i32(Lon32Units(8.0)).u8(0);
  const uint32_t id[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
  Bytes lib;
  lib.u32(24).u32(id[0]).u32(id[1]).u32(id[2]).u32(id[3]).u32(0);
  lib.u32(id[0]).u32(id[1]).u32(id[2]).u32(id[3]).u8(0).u32(41 + 6).u32(0).i32(100).u32(65536).i32(0).u32(0);
  lib.chars("hangar").u8(0);
  BglBuilder b;
  b.Section(0x42, menu);
  b.Section(0x72, excl);
  b.Section(0x3E, lib);
  return b.Build();
}

std::vector<uint8_t> AirportFile() {
  // New-style object list: an airport container with its position, ICAO
  // name and a runway.
  auto position = [](Bytes& r, int32_t metres, uint32_t lon48High) { r.u32(0).i32(metres).u32(0).u32(lon48High).u64(0); };
  Bytes recs;
  recs.u32(0x10001).u32(24);
  position(recs, kN18 * 2, 1u << 29);
  recs.u32(0x10006).u32(5).chars("LSZH").u8(0);
  recs.u32(0x10002).u32(52);
  position(recs, kN18 * 2, 1u << 29);
  recs.u32(0x40000000).i32(0).i32(3300).i32(60).u32(1).i32(16).i32(4);
  Bytes list;
  list.u32(1).u32(static_cast<uint32_t>(8 + recs.size())).u32(1).u32(0).append(recs).u32(0);
  BglBuilder b;
  b.Extended();
  const uint32_t object = b.Section(hdr::kObjectList, list);
  // One name list naming the airport.
  Bytes entry;
  entry.u32(0x30002).u32(8 + 7).u32(0x50001).u32(object).chars("Zurich").u8(0);
  Bytes names;
  names.u32(0x30001).u32(static_cast<uint32_t>(16 + entry.size())).u32(0x409).zeros(12).append(entry).u32(0);
  b.Set(hdr::kNameLists, b.Append(names), 4);
  return b.Build();
}

std::vector<uint8_t> MiscFile() {
  Bytes marker;
  marker.u8(6).u8(0).u24(kN18 & 0xFFFFFF).u24(kE45).i16(420).u8(64);
  Bytes cut = BandTable({{0, 20, 19}});  // the band's list lies past the end
  BglBuilder b;
  b.Section(0x66, BandedSection({{marker}}, 0, 20, 20));
  b.Section(0x52, cut);  // dynamic scenery
  return b.Build();
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

TEST(Account, ListsSharedByManyBandsAreCut) {
  // 200 bands all naming one list of 100 beacons: far more beacons than the
  // file could hold once each.
  Bytes table;
  const uint32_t listAt = 200 * 9 + 1;
  for (int i = 0; i < 200; ++i) table.u8(0x15).i16(0).i16(20).u32(listAt);
  table.u8(0);
  for (int i = 0; i < 100; ++i) {
    table.u8(4).raw({0x45, 0x03, 0x50}).u24(0).u24(0).i16(0).u8(0).text("B", 5).text("", 24);
  }
  table.u8(0);
  BglBuilder b;
  b.Section(0x4E, table);
  const FileAccount a = Describe(b.Build());
  EXPECT_EQ(a.features.size(), a.featureLimit);
  EXPECT_LT(a.featureLimit, 5000u);
  ASSERT_FALSE(a.problems.empty());
  EXPECT_NE(a.problems.back().text.find("more features than"), std::string::npos);
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
