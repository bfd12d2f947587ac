// The map scene: where features land, what their hover texts say, views
// across the 180th meridian, and the SVG's bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "map/MapScene.h"
#include "map/MapSvg.h"

namespace skarn::test {
namespace {

using map::Point;

AccountFeature Feature(const char* kind, double lat, double lon, const char* ident = "") {
  AccountFeature f;
  f.kind = kind;
  f.lat = lat;
  f.lon = lon;
  f.ident = ident;
  f.offset = 0x80;
  return f;
}

FileAccount File(const char* name, double south, double north, double west, double east, std::vector<AccountFeature> fs) {
  FileAccount a;
  a.path = std::string("lib/") + name;
  a.fileName = name;
  a.read = true;
  a.south = south;
  a.north = north;
  a.west = west;
  a.east = east;
  a.features = std::move(fs);
  return a;
}

map::Scene Compose(const std::vector<FileAccount>& files) {
  map::MapBuilder b;
  for (const FileAccount& f : files) b.Add(f);
  return b.Compose();
}

const map::PlacedFeature* Find(const map::Scene& s, const std::string& kind) {
  for (const map::PlacedFeature& p : s.features) {
    if (p.kind == kind) return &p;
  }
  return nullptr;
}

bool Inside(const map::Scene& s, Point p) {
  return p.x >= s.frame.x && p.x <= s.frame.x + s.frame.width && p.y >= s.frame.y && p.y <= s.frame.y + s.frame.height;
}

TEST(MapScene, FeaturesLandWhereTheirCoordinatesSay) {
  AccountFeature vor = Feature("vor", 60.0, 10.0, "KLO");
  vor.name = "KLOTEN";
  vor.Number("frequency", 113.9).Number("range", 40);
  AccountFeature dme = Feature("dme", 60.0, 10.0);
  dme.Number("frequency", 113.9);
  AccountFeature ils = Feature("ils", 61.0, 10.0, "IZH");
  ils.Number("frequency", 110.5).Number("heading", 90.0);
  AccountFeature ndb = Feature("ndb", 60.0, 12.0, "ZH");
  AccountFeature seed = Feature("seed", 0.0, 0.0);
  seed.located = false;
  const map::Scene s = Compose({File("a.bgl", 59.5, 61.5, 9.5, 12.5, {vor, dme, ils, ndb, seed})});

  // The DME at the VOR's place makes it a VOR-DME and is not drawn again;
  // the seed block has no place.
  ASSERT_EQ(s.features.size(), 3u);
  EXPECT_EQ(s.notLocated, 1u);
  const map::PlacedFeature* v = Find(s, "vor-dme");
  const map::PlacedFeature* i = Find(s, "ils");
  const map::PlacedFeature* n = Find(s, "ndb");
  ASSERT_TRUE(v && i && n);
  // Equirectangular at the view's middle latitude (60.5 with symmetric
  // padding): a degree of longitude is cos(60.5) of a degree of latitude.
  const double degLat = v->at.y - i->at.y;
  EXPECT_GT(degLat, 100.0);
  EXPECT_NEAR((n->at.x - v->at.x) / 2.0, degLat * std::cos(60.5 * std::numbers::pi / 180.0), 1e-6);
  EXPECT_NEAR(n->at.y, v->at.y, 1e-9);
  for (const auto* p : {v, i, n}) {
    EXPECT_TRUE(Inside(s, p->at));
    const Point q = s.projection.Project(p->lat, p->lon);
    EXPECT_EQ(q.x, p->at.x);
    EXPECT_EQ(q.y, p->at.y);
  }
  // The scale bar's kilometres agree with the meridian's.
  EXPECT_NEAR(s.projection.PixelsPerKm() * 10001.75 / 90.0, degLat, 1e-6);

  // Hover texts: kind, ident, name, frequency, position, file.
  std::string hover;
  for (const map::Item& item : s.items) {
    if (item.feature >= 0 && s.features[static_cast<size_t>(item.feature)].kind == "vor-dme") hover = item.hover;
  }
  // A long thin view gets room across it.
  const map::Scene thin = Compose({File("t.bgl", 0, 0, 0, 0, {Feature("ndb", 47.0, 8.5), Feature("vor", 47.01, 179.0)})});
  EXPECT_GE(thin.frame.height, 249.0);
  EXPECT_NEAR(thin.frame.width, 1000.0, 1e-6);

  // Past the limit features are counted, not kept.
  map::MapOptions few;
  few.maxFeatures = 2;
  map::MapBuilder b(few);
  b.Add(File("b.bgl", 0, 0, 0, 0, {ndb, ndb, ndb}));
  b.Add(File("c.bgl", 0, 0, 0, 0, {ndb, seed}));
  const map::Scene limited = b.Compose();
  EXPECT_EQ(limited.features.size(), 2u);
  EXPECT_EQ(limited.notDrawn, 2u);
  EXPECT_EQ(limited.notLocated, 1u);
  EXPECT_NE(map::SceneSvg(limited).find(">NDB (4)</text>"), std::string::npos);

  EXPECT_EQ(hover, "VOR-DME KLO \"KLOTEN\"\n113.90 MHz, range 40\nN60:00:00.00 E010:00:00.00\na.bgl, offset 0x80");
  // The pointer on a symbol finds it; beside the symbols, the file's bounds
  // or nothing.
  const int hit = map::ItemAt(s, Point{n->at.x + 1.0, n->at.y - 1.0}, 3.0);
  ASSERT_GE(hit, 0);
  EXPECT_EQ(s.items[static_cast<size_t>(hit)].feature, static_cast<int>(n - s.features.data()));
  EXPECT_EQ(map::ItemAt(s, Point{s.frame.x + 2.0, s.frame.y + 2.0}, 3.0), -1);
  // Zoomed in fourfold, a symbol is a quarter of its scene size: 5 scene
  // pixels beside the NDB are 20 on the screen, off its 7-pixel ring.
  EXPECT_EQ(map::ItemAt(s, Point{n->at.x + 5.0, n->at.y}, 1.0, 4.0), -1);
  EXPECT_EQ(map::ItemAt(s, Point{n->at.x + 1.5, n->at.y}, 1.0, 4.0), hit);
}

TEST(MapScene, BandItemCountsOnlySectionsWithBands) {
  FileAccount a = File("a.bgl", 40.0, 50.0, 0.0, 10.0, {});
  // Sections 0 and 2 hold bands, section 1 none.
  const auto band = [](double lat1, double lat2) {
    AccountBand b;
    b.lat1 = lat1;
    b.lat2 = lat2;
    return b;
  };
  a.sections.resize(3);
  a.sections[0].bands = {band(40.0, 45.0), band(45.0, 50.0)};
  a.sections[2].bands = {band(41.0, 42.0)};
  const map::Scene s = Compose({a, a});
  ASSERT_EQ(s.bands.size(), 6u);
  const struct {
    size_t section, band;
    int placed;  // index into s.bands, or -1
  } cases[] = {{0, 0, 0}, {0, 1, 1}, {1, 0, 2}, {1, 1, -1}, {0, 2, -1}, {2, 0, -1}};
  for (const auto& c : cases) {
    const int want = c.placed < 0 ? -1 : static_cast<int>(s.bands[static_cast<size_t>(c.placed)].item);
    EXPECT_EQ(map::BandItem(s, c.section, c.band), want) << c.section << " " << c.band;
  }
  EXPECT_EQ(s.bands[2].section, 2u);
  EXPECT_NE(s.items[s.bands[2].item].hover.find("Latitude band"), std::string::npos);
}

TEST(MapScene, ViewsAcrossTheDateLineAreOnePiece) {
  struct Case {
    const char* name;
    std::vector<FileAccount> files;
    double west, east;  // two features, west of east by a little
  };
  const Case cases[] = {
      {"bounds across 180", {File("x.bgl", 10.0, 11.0, 179.5, -179.5, {Feature("ndb", 10.5, 179.8), Feature("vor", 10.5, -179.8)})}, 179.8, -179.8},
      {"two files either side", {File("w.bgl", 10.0, 11.0, 179.0, 179.9, {Feature("ndb", 10.5, 179.5)}),
                                 File("e.bgl", 10.0, 11.0, -179.9, -179.0, {Feature("vor", 10.5, -179.5)})}, 179.5, -179.5},
      {"no bounds, features only", {File("p.bgl", 0, 0, 0, 0, {Feature("ndb", -20.0, 179.99), Feature("vor", -20.0, -179.99)})}, 179.99, -179.99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const map::Scene s = Compose(c.files);
    const map::PlacedFeature* w = Find(s, "ndb");
    const map::PlacedFeature* e = Find(s, "vor");
    ASSERT_TRUE(w && e);
    EXPECT_TRUE(Inside(s, w->at));
    EXPECT_TRUE(Inside(s, e->at));
    EXPECT_LT(w->at.x, e->at.x);
    // Not the width of the world: the view spans a few degrees at most.
    EXPECT_LT((e->at.x - w->at.x) / (s.projection.pixelsPerDegree * s.projection.cosine), 2.0);
  }
}

TEST(MapScene, SvgIsTheSameBytesAndEscapesTexts) {
  AccountFeature apt = Feature("menu_airport", 47.5, 8.5);
  apt.name = "A<&>\"B\xFF\x01\xC3\xA9\xED\xA0\x80";
  AccountFeature rwy = Feature("runway", 47.5, 8.5, "LSZH");
  rwy.Number("heading", 90.0).Number("length", 3000).Number("width", 60);
  const std::vector<FileAccount> files = {File("z.bgl", 47.4, 47.6, 8.4, 8.6, {apt, rwy})};
  const std::string svg = map::SceneSvg(Compose(files));
  EXPECT_EQ(svg, map::SceneSvg(Compose(files)));
  EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<svg ", 0), 0u);
  EXPECT_NE(svg.find("<title>Airport (menu) &quot;A&lt;&amp;&gt;&quot;B??\xC3\xA9???&quot;&#10;N47:30:00.00 E008:30:00.00&#10;z.bgl, offset 0x80</title>"), std::string::npos);
  EXPECT_EQ(svg.find('\n'), svg.find("\r\n") + 1);
  for (size_t p = svg.find('\n'); p != std::string::npos; p = svg.find('\n', p + 1)) ASSERT_EQ(svg[p - 1], '\r');
  EXPECT_EQ(svg.find("-0,"), std::string::npos);
  // The runway, 3 km long east-west, is drawn to scale.
  const map::Scene s = Compose(files);
  for (const map::Item& item : s.items) {
    if (item.feature < 0 || s.features[static_cast<size_t>(item.feature)].kind != "runway") continue;
    const std::vector<Point>& pts = item.shapes[0].points;
    EXPECT_NEAR(std::fabs(pts[0].x - pts[3].x), 3.0 * s.projection.PixelsPerKm(), 1e-6);
  }
}

}  // namespace
}  // namespace skarn::test
