#include "map/MapScene.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

#include "core/Format.h"
#include "core/GeoText.h"

namespace skarn::map {

namespace {

constexpr double kKmPerDegree = 10001.75 / 90.0;  // along a meridian
constexpr double kDegToRad = std::numbers::pi / 180.0;

// Margins around the frame and the legend's width.
constexpr double kLeft = 70.0;
constexpr double kTop = 40.0;
constexpr double kBottom = 60.0;
constexpr double kGap = 20.0;
constexpr double kLegendWidth = 230.0;

const Rgb kInk{40, 40, 40};
const Rgb kGrid{150, 160, 175};
const Rgb kWater{244, 247, 251};
const Rgb kBand{120, 150, 200};
const Rgb kBounds{60, 60, 140};

struct KindInfo {
  const char* kind;
  const char* title;  // in hover texts and the legend
  Rgb colour;
};

const KindInfo kKinds[] = {
    {"vor", "VOR", {20, 70, 200}},
    {"vor-dme", "VOR-DME", {20, 70, 200}},
    {"dme", "DME", {0, 120, 190}},
    {"ils", "ILS", {190, 20, 150}},
    {"ils2", "ILS", {190, 20, 150}},
    {"ndb", "NDB", {190, 100, 20}},
    {"marker", "Marker", {120, 60, 190}},
    {"atis", "ATIS", {20, 140, 50}},
    {"airport", "Airport", {50, 50, 50}},
    {"menu_airport", "Airport (menu)", {90, 90, 90}},
    {"runway", "Runway", {70, 70, 70}},
    {"tower", "Tower", {100, 60, 30}},
    {"navaid", "Airport navaid", {0, 150, 170}},
    {"start", "Start position", {30, 110, 30}},
    {"waypoint", "Waypoint", {80, 80, 160}},
    {"object", "Object", {230, 70, 10}},
    {"exclusion", "Exclusion area", {210, 0, 0}},
    {"exclude_object", "Object exclusion", {210, 0, 0}},
    {"dynamic", "Dynamic scenery", {150, 40, 160}},
    {"landme", "Land-me point", {0, 128, 128}},
    {"timezone", "Time zone", {60, 100, 140}},
    {"elevated_area", "Elevated area", {120, 120, 0}},
    {"flatten", "Flatten polygon", {140, 90, 40}},
    {"seed", "Seed block", {100, 100, 100}},
};

const KindInfo& InfoOf(const std::string& kind) {
  for (const KindInfo& k : kKinds) {
    if (kind == k.kind) return k;
  }
  static const KindInfo other{"", "Feature", {60, 60, 60}};
  return other;
}

double Value(const AccountFeature& f, const char* key, double otherwise = NAN) {
  for (const AccountField& v : f.fields) {
    if (!v.isText && std::string_view(v.key) == key) return v.number;
  }
  return otherwise;
}

std::string TextValue(const AccountFeature& f, const char* key) {
  for (const AccountField& v : f.fields) {
    if (v.isText && std::string_view(v.key) == key) return v.text;
  }
  return std::string();
}

bool HasBounds(const FileAccount& a) { return a.read && (a.north != a.south || a.east != a.west); }

// Longitude span of bounds from west to east, across 180 when east < west.
double Span(double west, double east) {
  const double d = east - west;
  return d >= 0.0 ? std::min(d, 360.0) : d + 360.0;
}

// The shortest arc of longitudes that holds every interval: its west end
// and width.
std::pair<double, double> CoveringArc(std::vector<std::pair<double, double>> arcs) {
  for (auto& a : arcs) {
    a.first = std::fmod(a.first, 360.0);
    if (a.first < 0.0) a.first += 360.0;
  }
  std::sort(arcs.begin(), arcs.end());
  double bestGap = -1.0;
  double bestWest = arcs[0].first;
  double end = arcs[0].first + arcs[0].second;
  for (size_t i = 1; i < arcs.size(); ++i) {
    if (arcs[i].first > end && arcs[i].first - end > bestGap) {
      bestGap = arcs[i].first - end;
      bestWest = arcs[i].first;
    }
    end = std::max(end, arcs[i].first + arcs[i].second);
  }
  const double wrapGap = arcs[0].first + 360.0 - end;
  if (wrapGap >= bestGap) {
    bestGap = wrapGap;
    bestWest = arcs[0].first;
  }
  if (bestGap <= 0.0) return {-180.0, 360.0};
  const double west = bestWest > 180.0 ? bestWest - 360.0 : bestWest;
  return {west, 360.0 - bestGap};
}

// A step of the graticule giving a few lines over span degrees.
double GridStep(double span) {
  static const double steps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.25, 0.5, 1, 2, 5, 10, 15, 30, 45, 90};
  for (double s : steps) {
    if (span / s <= 8.0) return s;
  }
  return 90.0;
}

int StepDecimals(double step) {
  int d = 0;
  while (d < 4 && std::fabs(step * std::pow(10.0, d) - std::round(step * std::pow(10.0, d))) > 1e-9) ++d;
  return d;
}

std::string DegreeLabel(double v, bool longitude, int decimals) {
  if (longitude) v = std::remainder(v, 360.0);
  if (std::fabs(v) < 1e-9) v = 0.0;
  const char hemisphere = longitude ? (v < 0.0 ? 'W' : 'E') : (v < 0.0 ? 'S' : 'N');
  std::string s;
  AppendFixed(s, std::fabs(v), decimals);
  s += "\xC2\xB0";
  if (v != 0.0 && !(longitude && std::fabs(std::fabs(v) - 180.0) < 1e-9)) s += hemisphere;
  return s;
}

Item MakeItem(std::string hover, bool clipped) {
  Item item;
  item.hover = std::move(hover);
  item.clipped = clipped;
  return item;
}

Shape Line(std::vector<Point> pts, Rgb colour, double width, bool dashed = false) {
  Shape s;
  s.type = Shape::Type::kLine;
  s.points = std::move(pts);
  s.style.stroke = colour;
  s.style.strokeWidth = width;
  s.style.dashed = dashed;
  return s;
}

Shape Polygon(std::vector<Point> pts, Rgb stroke, double width, Rgb fill, double opacity, bool dashed = false) {
  Shape s;
  s.type = Shape::Type::kPolygon;
  s.points = std::move(pts);
  s.style = Style{stroke, width, fill, opacity, dashed};
  return s;
}

Shape Circle(Point c, double r, Rgb stroke, double width, Rgb fill, double opacity, bool dashed = false) {
  Shape s;
  s.type = Shape::Type::kCircle;
  s.points = {c};
  s.radius = r;
  s.style = Style{stroke, width, fill, opacity, dashed};
  return s;
}

Shape Dot(Point c, Rgb colour, double r = 2.5) { return Circle(c, r, colour, 0.0, colour, 1.0); }

Shape Text(Point at, std::string words, Rgb colour, double size, Shape::Anchor anchor = Shape::Anchor::kStart) {
  Shape s;
  s.type = Shape::Type::kText;
  s.points = {at};
  s.text = CleanText(words);
  s.style.fill = colour;
  s.style.fillOpacity = 1.0;
  s.fontSize = size;
  s.anchor = anchor;
  return s;
}

// A regular polygon of n corners around c, the first one at angle degrees
// (clockwise from up).
std::vector<Point> Ring(Point c, double r, int n, double angle) {
  std::vector<Point> pts;
  for (int i = 0; i < n; ++i) {
    const double a = (angle + 360.0 * i / n) * kDegToRad;
    pts.push_back(Point{c.x + r * std::sin(a), c.y - r * std::cos(a)});
  }
  return pts;
}

// The point at distance d pixels from c towards heading (degrees from up).
Point Toward(Point c, double heading, double d) {
  const double a = heading * kDegToRad;
  return Point{c.x + d * std::sin(a), c.y - d * std::cos(a)};
}

// The symbol of a point feature of kind at c: outline shapes and the middle
// dot in the kind's colour (drawn last, so the very spot shows the colour).
void AddSymbol(std::vector<Shape>& out, const std::string& kind, Point c, double heading, const std::string& type,
               double feather = 60.0) {
  const Rgb col = KindColour(kind);
  if (kind == "vor" || kind == "vor-dme") {
    if (kind == "vor-dme") out.push_back(Polygon(Ring(c, 9.0, 4, 45.0), col, 1.2, col, 0.08));
    out.push_back(Polygon(Ring(c, 7.0, 6, 30.0), col, 1.5, col, 0.15));
  } else if (kind == "dme" || kind == "navaid") {
    out.push_back(Polygon(Ring(c, 7.0, 4, kind == "dme" ? 45.0 : 0.0), col, 1.5, col, 0.15));
  } else if (kind == "ils" || kind == "ils2") {
    // The localiser's feather points away from the course it serves.
    const double back = heading + 180.0;
    const Point tip = Toward(c, back, feather);
    out.push_back(Polygon({c, Toward(tip, back + 90.0, 7.0), tip, Toward(tip, back - 90.0, 7.0)}, col, 1.0, col, 0.2));
    out.push_back(Line({c, tip}, col, 1.0));
  } else if (kind == "ndb") {
    out.push_back(Circle(c, 7.0, col, 1.5, col, 0.1, true));
    out.push_back(Circle(c, 4.5, col, 1.0, col, 0.0, true));
  } else if (kind == "marker") {
    const Rgb mc = type == "outer" ? Rgb{40, 80, 220} : type == "inner" ? Rgb{120, 120, 120} : Rgb{220, 160, 0};
    // Long across the course, short along it.
    const double h = heading * kDegToRad;
    const Point u{std::sin(h), -std::cos(h)}, v{std::cos(h), std::sin(h)};
    std::vector<Point> pts;
    for (int i = 0; i < 16; ++i) {
      const double a = i * 2.0 * std::numbers::pi / 16.0;
      pts.push_back(Point{c.x + 4.0 * std::cos(a) * u.x + 9.0 * std::sin(a) * v.x, c.y + 4.0 * std::cos(a) * u.y + 9.0 * std::sin(a) * v.y});
    }
    out.push_back(Polygon(std::move(pts), mc, 1.2, mc, 0.3));
  } else if (kind == "atis") {
    out.push_back(Circle(c, 7.0, col, 1.5, col, 0.1));
  } else if (kind == "airport" || kind == "menu_airport") {
    out.push_back(Circle(c, 9.0, col, 2.0, col, 0.08));
  } else if (kind == "tower") {
    out.push_back(Polygon(Ring(c, 7.0, 3, 0.0), col, 1.5, col, 0.15));
  } else if (kind == "waypoint") {
    out.push_back(Polygon(Ring(c, 6.0, 3, 0.0), col, 1.2, col, 0.0));
  } else if (kind == "object") {
    out.push_back(Polygon(Ring(c, 5.0, 4, 45.0), col, 1.0, col, 0.35));
  } else if (kind == "exclude_object") {
    out.push_back(Line({Point{c.x - 6, c.y - 6}, Point{c.x + 6, c.y + 6}}, col, 1.5));
    out.push_back(Line({Point{c.x - 6, c.y + 6}, Point{c.x + 6, c.y - 6}}, col, 1.5));
  } else if (kind == "start") {
    out.push_back(Line({c, Toward(c, heading, 8.0)}, col, 1.5));
  } else {
    out.push_back(Circle(c, 5.0, col, 1.0, col, 0.1));
  }
  out.push_back(Dot(c, col));
}

}  // namespace

Rgb KindColour(const std::string& kind) { return InfoOf(kind).colour; }

std::string CleanText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += b < 0x20 && b != '\n' && b != '\t' ? '?' : static_cast<char>(b);
      ++i;
      continue;
    }
    const size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    uint32_t c = n == 2 ? b & 0x1Fu : n == 3 ? b & 0x0Fu : b & 0x07u;
    bool ok = n != 0 && i + n <= text.size();
    for (size_t k = 1; ok && k < n; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      ok = (t & 0xC0) == 0x80;
      c = c << 6 | (t & 0x3Fu);
    }
    // No overlong forms, surrogates, values past U+10FFFF, U+FFFE or U+FFFF.
    ok = ok && !(n == 3 && c < 0x800) && !(n == 4 && (c < 0x10000 || c > 0x10FFFF)) && !(c >= 0xD800 && c <= 0xDFFF) &&
         c != 0xFFFE && c != 0xFFFF;
    if (ok) {
      out.append(text, i, n);
      i += n;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

double Projection::Unwrap(double lon) const { return middleLon + std::remainder(lon - middleLon, 360.0); }

double Projection::X(double lon) const { return origin.x + (lon - west) * cosine * pixelsPerDegree; }

Point Projection::Project(double lat, double lon) const {
  return Point{X(Unwrap(lon)), origin.y + (north - lat) * pixelsPerDegree};
}

double Projection::PixelsPerKm() const { return pixelsPerDegree / kKmPerDegree; }

std::string HoverText(const AccountFeature& f, const std::string& fileName) {
  std::string s = InfoOf(f.kind).title;
  if (std::string_view(f.kind) == "marker" && !TextValue(f, "type").empty()) s += " (" + TextValue(f, "type") + ")";
  if (!f.ident.empty()) s += " " + f.ident;
  if (!f.name.empty()) s += " \"" + f.name + "\"";
  const double frequency = Value(f, "frequency");
  if (!std::isnan(frequency)) Appendf(s, "\n%.2f %s", frequency, std::string_view(f.kind) == "ndb" ? "kHz" : "MHz");
  if (std::string_view(f.kind) == "ndb" || std::string_view(f.kind) == "vor" || std::string_view(f.kind) == "ils" || std::string_view(f.kind) == "ils2" || std::string_view(f.kind) == "atis") {
    const double range = Value(f, "range");
    if (!std::isnan(range)) Appendf(s, ", range %.0f", range);
  }
  if (std::string_view(f.kind) == "ils" || std::string_view(f.kind) == "ils2") Appendf(s, "\ncourse %.1f\xC2\xB0, glide slope %.2f\xC2\xB0", Value(f, "heading", 0.0), Value(f, "gs_angle", 0.0));
  if (std::string_view(f.kind) == "runway") {
    Appendf(s, "\nrunway %.0f%s, heading %.1f\xC2\xB0, length %.0f, width %.0f", Value(f, "number", 0.0),
            TextValue(f, "designator").c_str(), Value(f, "heading", 0.0), Value(f, "length", 0.0), Value(f, "width", 0.0));
  }
  if (std::string_view(f.kind) == "object") Appendf(s, "\narea %s, radius %.0f, %.0f bytes", TextValue(f, "area").c_str(), Value(f, "radius", 0.0), Value(f, "size", 0.0));
  if (std::string_view(f.kind) == "flatten") Appendf(s, "\ntype %.0f, %zu vertices", Value(f, "type", 0.0), f.points.size());
  if (std::string_view(f.kind) == "menu_airport" && !TextValue(f, "region").empty()) s += "\nregion " + TextValue(f, "region");
  if (std::string_view(f.kind) == "atis" && !TextValue(f, "text").empty()) s += "\n" + TextValue(f, "text");
  const double altitude = Value(f, "altitude");
  if (!std::isnan(altitude)) Appendf(s, "\naltitude %.0f", altitude);
  if (f.located) {
    GeoText geo;
    s += "\n";
    s += geo.LatText(f.lat) + 1;
    s += geo.LonText(f.lon);
  }
  Appendf(s, "\n%s, offset 0x%llX", fileName.c_str(), static_cast<unsigned long long>(f.offset));
  return s;
}

namespace {

double SegmentDistance(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = dx * dx + dy * dy;
  const double t = len > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len, 0.0, 1.0) : 0.0;
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool Inside(const std::vector<Point>& poly, Point p) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
        p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x) {
      in = !in;
    }
  }
  return in;
}

bool Hits(const Shape& s, Point p, double tolerance) {
  if (s.points.empty()) return false;
  switch (s.type) {
    case Shape::Type::kCircle: {
      const double d = std::hypot(p.x - s.points[0].x, p.y - s.points[0].y);
      return s.style.fillOpacity > 0.0 ? d <= s.radius + tolerance : std::fabs(d - s.radius) <= tolerance;
    }
    case Shape::Type::kPolygon:
      if (s.style.fillOpacity > 0.0 && s.points.size() >= 3 && Inside(s.points, p)) return true;
      [[fallthrough]];
    case Shape::Type::kLine:
      for (size_t i = 0; i + 1 < s.points.size(); ++i) {
        if (SegmentDistance(p, s.points[i], s.points[i + 1]) <= tolerance) return true;
      }
      return s.type == Shape::Type::kPolygon && SegmentDistance(p, s.points.back(), s.points.front()) <= tolerance;
    case Shape::Type::kText:
      return false;
  }
  return false;
}

}  // namespace

int BandItem(const Scene& scene, size_t section, size_t band) {
  size_t ordinal = 0;
  for (size_t i = 0; i < scene.bands.size(); ++i) {
    const PlacedBand& b = scene.bands[i];
    if (b.file != 0) break;
    if (i > 0 && b.section != scene.bands[i - 1].section) ++ordinal;
    if (ordinal == section && b.band == band) return static_cast<int>(b.item);
    if (ordinal > section) break;
  }
  return -1;
}

int ItemAt(const Scene& scene, Point p, double tolerance, double zoom) {
  for (size_t i = scene.items.size(); i-- > 0;) {
    const Item& item = scene.items[i];
    if (item.hover.empty()) continue;
    if (item.clipped && (p.x < scene.frame.x || p.y < scene.frame.y || p.x > scene.frame.x + scene.frame.width ||
                         p.y > scene.frame.y + scene.frame.height)) {
      continue;
    }
    // Fixed-size shapes are tested in the view's pixels about the anchor.
    const Point near{item.anchor.x + (p.x - item.anchor.x) * zoom, item.anchor.y + (p.y - item.anchor.y) * zoom};
    for (const Shape& s : item.shapes) {
      if (s.fixedSize ? Hits(s, near, tolerance * zoom) : Hits(s, p, tolerance)) return static_cast<int>(i);
    }
  }
  return -1;
}

void MapBuilder::Add(const FileAccount& account) {
  FileAccount a;
  a.path = account.path;
  a.fileName = account.fileName;
  a.read = account.read;
  a.north = account.north;
  a.south = account.south;
  a.east = account.east;
  a.west = account.west;
  a.sections = account.sections;
  for (const AccountFeature& f : account.features) {
    if (kept_ < options_.maxFeatures) {
      a.features.push_back(f);
      ++kept_;
      continue;
    }
    ++leftOut_[f.kind];
    ++(f.located ? leftOutLocated_ : leftOutUnlocated_);
  }
  files_.push_back(std::move(a));
}

namespace {

// What the composer works through: the files, the view and the scene.
class Composer {
 public:
  Composer(const std::vector<FileAccount>& files, const MapOptions& options) : files_(files), options_(options) {}

  // Features the builder counted but did not keep.
  void LeftOut(const std::map<std::string, int64_t>& kinds, uint64_t located, uint64_t unlocated) {
    for (const auto& [kind, n] : kinds) kinds_[kind] += n;
    scene_.notDrawn += located;
    scene_.notLocated += unlocated;
  }

  Scene Run() {
    for (const FileAccount& a : files_) scene_.files.push_back(a.path);
    scene_.title = CleanText(files_.size() == 1 ? files_[0].fileName : Format("%zu files", files_.size()));
    ChooseView();
    Background();
    Grid();
    Bands();
    Bounds();
    Features();
    Legend();
    ScaleBar();
    // The page's white ground covers a legend longer than the map.
    scene_.items[0].shapes[0].points = {Point{0, 0}, Point{scene_.width, 0}, Point{scene_.width, scene_.height}, Point{0, scene_.height}};
    return std::move(scene_);
  }

 private:
  bool Drawable(const AccountFeature& f) const {
    return f.located && std::isfinite(f.lat) && std::isfinite(f.lon) && std::fabs(f.lat) <= 90.0;
  }

  void ChooseView() {
    std::vector<std::pair<double, double>> arcs;
    double south = 90.0, north = -90.0;
    auto take = [&](double s, double n, double w, double e) {
      south = std::min(south, std::max(-90.0, s));
      north = std::max(north, std::min(90.0, n));
      arcs.emplace_back(w, Span(w, e));
    };
    for (const FileAccount& a : files_) {
      if (HasBounds(a)) take(std::min(a.south, a.north), std::max(a.south, a.north), a.west, a.east);
      for (const AccountFeature& f : a.features) {
        if (Drawable(f)) take(f.lat, f.lat, f.lon, f.lon);
      }
    }
    if (arcs.empty()) take(-1.0, 1.0, -1.0, 1.0);
    auto [west, width] = CoveringArc(arcs);
    // Room around the content, and at least some 2 km of view.
    double height = north - south;
    const double padLat = std::max(height * 0.06, 0.01);
    south = std::max(-90.0, south - padLat);
    north = std::min(90.0, north + padLat);
    height = north - south;
    Projection& p = scene_.projection;
    p.middleLat = (north + south) / 2.0;
    p.cosine = std::max(std::cos(p.middleLat * kDegToRad), 0.05);
    const double padLon = std::max(width * 0.06, 0.01 / p.cosine);
    west -= padLon;
    width = std::min(360.0, width + 2.0 * padLon);
    p.pixelsPerDegree = std::min(options_.frameWidth / (width * p.cosine), options_.frameHeight / height);
    // A long thin view gets room across it, so that it stays readable.
    const double minimum = std::min(options_.frameWidth, options_.frameHeight) / 3.0;
    if (height * p.pixelsPerDegree < minimum) {
      const double grow = (minimum / p.pixelsPerDegree - height) / 2.0;
      north = std::min(90.0, north + grow);
      south = std::max(-90.0, south - grow);
      height = north - south;
    } else if (width * p.cosine * p.pixelsPerDegree < minimum) {
      const double grow = std::min((minimum / (p.cosine * p.pixelsPerDegree) - width) / 2.0, (360.0 - width) / 2.0);
      west -= grow;
      width += 2.0 * grow;
    }
    p.north = north;
    p.west = west;
    p.middleLon = west + width / 2.0;
    p.origin = Point{kLeft, kTop};
    scene_.frame = Rect{kLeft, kTop, width * p.cosine * p.pixelsPerDegree, height * p.pixelsPerDegree};
    scene_.width = std::round(kLeft + scene_.frame.width + kGap + kLegendWidth + 10.0);
    scene_.height = std::round(kTop + std::max(scene_.frame.height, 330.0) + kBottom);
    south_ = south;
    width_ = width;
  }

  Point At(double lat, double lon) const { return scene_.projection.Project(lat, lon); }

  // The four corners of a box, across 180 when east < west.
  std::vector<Point> Box(double south, double north, double west, double east) const {
    const double w = scene_.projection.Unwrap(west);
    const double e = w + Span(west, east);
    const Projection& p = scene_.projection;
    const double top = At(std::max(north, south), w).y, bottom = At(std::min(north, south), w).y;
    return {Point{p.X(w), top}, Point{p.X(e), top}, Point{p.X(e), bottom}, Point{p.X(w), bottom}};
  }

  Item& NewItem(std::string hover, bool clipped = true) {
    scene_.items.push_back(MakeItem(CleanText(hover), clipped));
    return scene_.items.back();
  }

  void Background() {
    const Rect& r = scene_.frame;
    Item& bg = NewItem("", false);
    bg.shapes.push_back(Polygon({Point{0, 0}, Point{scene_.width, 0}, Point{scene_.width, scene_.height}, Point{0, scene_.height}},
                                Rgb{255, 255, 255}, 0.0, Rgb{255, 255, 255}, 1.0));
    bg.shapes.push_back(Polygon({Point{r.x, r.y}, Point{r.x + r.width, r.y}, Point{r.x + r.width, r.y + r.height}, Point{r.x, r.y + r.height}},
                                kGrid, 1.0, kWater, 1.0));
    bg.shapes.push_back(Text(Point{r.x, 24.0}, scene_.title, kInk, 15.0));
  }

  void Bands() {
    size_t drawn = 0;
    for (size_t file = 0; file < files_.size(); ++file) {
      const FileAccount& a = files_[file];
      for (size_t section = 0; section < a.sections.size(); ++section) {
        const AccountSection& s = a.sections[section];
        for (size_t band = 0; band < s.bands.size(); ++band) {
          const AccountBand& b = s.bands[band];
          if (++drawn > options_.maxFeatures || !std::isfinite(b.lat1) || !std::isfinite(b.lat2)) return;
          scene_.bands.push_back(PlacedBand{file, section, band, scene_.items.size()});
          std::vector<Point> box = HasBounds(a) ? Box(b.lat1, b.lat2, a.west, a.east)
                                                : Box(b.lat1, b.lat2, scene_.projection.west, scene_.projection.west + width_);
          std::string hover = Format("Latitude band of %s: %lld record%s", s.name.c_str(), static_cast<long long>(b.count), b.count == 1 ? "" : "s");
          if (b.frequency != 0.0) Appendf(hover, " at %.2f MHz", b.frequency);
          GeoText geo;
          hover += "\n";
          hover += geo.LatText(std::min(b.lat1, b.lat2)) + 1;
          hover += " to";
          hover += geo.LatText(std::max(b.lat1, b.lat2));
          Appendf(hover, "\n%s, offset 0x%llX", a.fileName.c_str(), static_cast<unsigned long long>(b.offset));
          NewItem(std::move(hover)).shapes.push_back(Polygon(std::move(box), kBand, 0.5, kBand, 0.08));
        }
      }
    }
  }

  void Bounds() {
    for (const FileAccount& a : files_) {
      if (!HasBounds(a)) continue;
      GeoText geo;
      std::string hover = a.path + "\nbounds";
      hover += geo.LatText(std::min(a.south, a.north));
      hover += " to";
      hover += geo.LatText(std::max(a.south, a.north));
      hover += ",";
      hover += geo.LonText(a.west);
      hover += " to";
      hover += geo.LonText(a.east);
      Appendf(hover, "\n%zu sections, %zu features", a.sections.size(), a.features.size());
      Item& item = NewItem(std::move(hover));
      std::vector<Point> box = Box(a.south, a.north, a.west, a.east);
      const Point corner = box[0];
      item.shapes.push_back(Polygon(std::move(box), kBounds, 1.5, kBounds, 0.0, true));
      // Files of the same bounds get their names one below the other.
      const int row = labelRows_[std::make_pair(std::round(corner.x), std::round(corner.y))]++;
      if (files_.size() > 1 && row < 6) item.shapes.push_back(Text(Point{corner.x + 4.0, corner.y + 13.0 + 13.0 * row}, a.fileName, kBounds, 11.0));
    }
  }

  static bool IsArea(const std::string& kind) {
    return kind == "exclusion" || kind == "timezone" || kind == "elevated_area" || kind == "flatten" ||
           kind == "dynamic" || kind == "landme";
  }

  // The kind a feature is drawn as: a VOR with a DME of its frequency at its
  // place is a VOR-DME, and that DME is not drawn again.
  void PairDmes() {
    kindOf_.resize(files_.size());
    for (size_t fi = 0; fi < files_.size(); ++fi) {
      const std::vector<AccountFeature>& fs = files_[fi].features;
      std::multimap<double, size_t> dmes;
      for (size_t i = 0; i < fs.size(); ++i) {
        kindOf_[fi].push_back(fs[i].kind);
        if (std::string_view(fs[i].kind) == "dme" && Drawable(fs[i])) dmes.emplace(Value(fs[i], "frequency", 0.0), i);
      }
      for (size_t i = 0; i < fs.size(); ++i) {
        if (std::string_view(fs[i].kind) != "vor" || !Drawable(fs[i])) continue;
        auto [from, to] = dmes.equal_range(Value(fs[i], "frequency", 0.0));
        for (auto it = from; it != to; ++it) {
          const AccountFeature& d = fs[it->second];
          if (kindOf_[fi][it->second] == "dme" && std::fabs(d.lat - fs[i].lat) < 0.01 &&
              std::fabs(std::remainder(d.lon - fs[i].lon, 360.0)) * std::cos(d.lat * kDegToRad) < 0.01) {
            kindOf_[fi][i] = "vor-dme";
            kindOf_[fi][it->second].clear();
            break;
          }
        }
      }
    }
  }

  void Features() {
    PairDmes();
    for (size_t fi = 0; fi < files_.size(); ++fi) {
      for (size_t i = 0; i < files_[fi].features.size(); ++i) {
        const std::string& kind = kindOf_[fi][i];
        if (kind.empty()) continue;
        kinds_[kind == "ils2" ? "ils" : kind] += 1;  // one row for both ILS forms
        if (!Drawable(files_[fi].features[i])) ++scene_.notLocated;
      }
    }
    // Areas first, then runways, then point symbols, so small things stay
    // on top of large ones.
    for (int pass = 0; pass < 3; ++pass) {
      for (size_t fi = 0; fi < files_.size(); ++fi) {
        const FileAccount& a = files_[fi];
        for (size_t i = 0; i < a.features.size(); ++i) {
          const AccountFeature& f = a.features[i];
          const std::string& kind = kindOf_[fi][i];
          const int want = IsArea(kind) ? 0 : kind == "runway" ? 1 : 2;
          if (want != pass || kind.empty() || !Drawable(f)) continue;
          if (scene_.features.size() >= options_.maxFeatures) {
            ++scene_.notDrawn;
            continue;
          }
          Place(fi, i, kind, f, a.fileName);
        }
      }
    }
  }

  void Place(size_t fi, size_t i, const std::string& kind, const AccountFeature& f, const std::string& fileName) {
    const Point c = At(f.lat, f.lon);
    scene_.features.push_back(PlacedFeature{fi, i, kind, f.lat, f.lon, c});
    Item& item = NewItem(HoverText(f, fileName));
    if (kind == "vor-dme") item.hover.replace(0, 3, "VOR-DME");
    item.feature = static_cast<int>(scene_.features.size() - 1);
    item.anchor = c;
    const Rgb col = KindColour(kind);
    auto box = [&](const char* s, const char* n, const char* w, const char* e) {
      return Box(Value(f, s, f.lat), Value(f, n, f.lat), Value(f, w, f.lon), Value(f, e, f.lon));
    };
    if (kind == "exclusion") {
      item.shapes.push_back(Polygon(box("south", "north", "west", "east"), col, 1.5, col, 0.12, true));
    } else if (kind == "timezone" || kind == "elevated_area") {
      item.shapes.push_back(Polygon(box("lat1", "lat2", "lon1", "lon2"), col, 1.2, col, 0.06, kind == "timezone"));
    } else if (kind == "dynamic") {
      item.shapes.push_back(Polygon(box("lat1", "lat2", "lon1", "lon2"), col, 1.2, col, 0.1));
      item.shapes.push_back(Polygon(box("lat1b", "lat2b", "lon1b", "lon2b"), col, 1.0, col, 0.05, true));
    } else if (kind == "flatten") {
      std::vector<Point> pts;
      for (const AccountPoint& v : f.points) pts.push_back(At(v.lat, v.lon));
      item.shapes.push_back(Polygon(std::move(pts), col, 1.2, col, 0.25));
    } else if (kind == "landme") {
      std::vector<Point> pts;
      for (const AccountPoint& v : f.points) pts.push_back(At(v.lat, v.lon));
      if (pts.size() >= 2) item.shapes.push_back(Line(pts, col, 2.0));
      for (const Point& p : pts) item.shapes.push_back(Dot(p, col, 3.0));
    } else if (kind == "runway") {
      Runway(item, f, col);
    } else {
      if (kind == "object") {
        // The area parameter as kilometres around the object.
        const double r = Value(f, "radius", 0.0) * scene_.projection.PixelsPerKm();
        if (r >= 3.0) item.shapes.push_back(Circle(c, r, col, 0.8, col, 0.0, true));
      }
      const size_t first = item.shapes.size();
      AddSymbol(item.shapes, kind, c, Value(f, "heading", 0.0), TextValue(f, "type"));
      Label(item, kind, f, c);
      for (size_t k = first; k < item.shapes.size(); ++k) item.shapes[k].fixedSize = true;
    }
  }

  // A runway to scale: length and width taken as metres, at its middle.
  void Runway(Item& item, const AccountFeature& f, Rgb col) {
    const double length = std::max(Value(f, "length", 0.0), 0.0) / 1000.0;
    const double width = std::max(Value(f, "width", 0.0), 0.0) / 1000.0;
    const double h = Value(f, "heading", 0.0);
    const Point c = At(f.lat, f.lon);
    const double k = scene_.projection.PixelsPerKm();
    const Point a = Toward(c, h, length / 2.0 * k), b = Toward(c, h + 180.0, length / 2.0 * k);
    const double half = std::max(width / 2.0 * k, 1.0);
    item.shapes.push_back(Polygon({Toward(a, h - 90.0, half), Toward(a, h + 90.0, half), Toward(b, h + 90.0, half), Toward(b, h - 90.0, half)},
                                  col, 1.0, col, 0.7));
    item.shapes.push_back(Dot(c, col, 1.5));
  }

  void Label(Item& item, const std::string& kind, const AccountFeature& f, Point c) {
    if (labels_ >= options_.maxLabels) return;
    if (kind == "object" || kind == "start" || kind == "exclude_object") return;
    const std::string words = !f.ident.empty() ? f.ident : f.name;
    if (words.empty()) return;
    ++labels_;
    item.shapes.push_back(Text(Point{c.x + 10.0, c.y + 4.0}, words, kInk, 10.0));
  }

  void Grid() {
    const Projection& p = scene_.projection;
    const Rect& r = scene_.frame;
    const double height = p.north - south_;
    const double latStep = GridStep(height);
    const double lonStep = GridStep(width_);
    Item lines = MakeItem("", true);
    Item labels = MakeItem("", false);
    const int latDecimals = StepDecimals(latStep), lonDecimals = StepDecimals(lonStep);
    for (double lat = std::ceil(south_ / latStep) * latStep; lat <= p.north + 1e-9; lat += latStep) {
      const double y = At(lat, p.middleLon).y;
      lines.shapes.push_back(Line({Point{r.x, y}, Point{r.x + r.width, y}}, kGrid, 0.6));
      labels.shapes.push_back(Text(Point{r.x - 5.0, y + 4.0}, DegreeLabel(lat, false, latDecimals), kInk, 10.0, Shape::Anchor::kEnd));
    }
    for (double lon = std::ceil(p.west / lonStep) * lonStep; lon <= p.west + width_ + 1e-9; lon += lonStep) {
      const double x = p.X(lon);
      lines.shapes.push_back(Line({Point{x, r.y}, Point{x, r.y + r.height}}, kGrid, 0.6));
      labels.shapes.push_back(Text(Point{x, r.y + r.height + 14.0}, DegreeLabel(lon, true, lonDecimals), kInk, 10.0, Shape::Anchor::kMiddle));
    }
    scene_.items.push_back(std::move(lines));
    scene_.items.push_back(std::move(labels));
  }

  void Legend() {
    const double x = scene_.frame.x + scene_.frame.width + kGap;
    double y = kTop;
    Item& legend = NewItem("", false);
    legend.shapes.push_back(Text(Point{x, y + 10.0}, "Legend", kInk, 13.0));
    y += 28.0;
    auto row = [&](const std::string& words) {
      legend.shapes.push_back(Text(Point{x + 24.0, y + 4.0}, words, kInk, 11.0));
      y += 22.0;
    };
    for (const KindInfo& k : kKinds) {
      auto it = kinds_.find(k.kind);
      if (it == kinds_.end() || std::string(k.kind) == "seed") continue;
      const Point c{x + 9.0, y};
      const std::string kind = k.kind;
      if (kind == "landme") {
        legend.shapes.push_back(Line({Point{c.x - 8, c.y}, Point{c.x + 8, c.y}}, k.colour, 2.0));
      } else if (kind == "runway" || IsArea(kind)) {
        legend.shapes.push_back(Polygon({Point{c.x - 8, c.y - 5}, Point{c.x + 8, c.y - 5}, Point{c.x + 8, c.y + 5}, Point{c.x - 8, c.y + 5}},
                                        k.colour, 1.2, k.colour, kind == "runway" ? 0.7 : 0.15, kind == "exclusion"));
      } else {
        const bool ils = kind == "ils" || kind == "ils2";
        AddSymbol(legend.shapes, kind, ils ? Point{c.x - 6.0, c.y} : c, 270.0, "outer", 14.0);
      }
      row(Format("%s (%lld)", k.title, static_cast<long long>(it->second)));
    }
    legend.shapes.push_back(Polygon({Point{x + 1, y - 5}, Point{x + 17, y - 5}, Point{x + 17, y + 5}, Point{x + 1, y + 5}}, kBand, 0.5, kBand, 0.15));
    row("Latitude band");
    legend.shapes.push_back(Polygon({Point{x + 1, y - 5}, Point{x + 17, y - 5}, Point{x + 17, y + 5}, Point{x + 1, y + 5}}, kBounds, 1.5, kBounds, 0.0, true));
    row("File bounds");
    if (scene_.notLocated != 0) row(Format("%llu without a position", static_cast<unsigned long long>(scene_.notLocated)));
    if (scene_.notDrawn != 0) row(Format("%llu not drawn (limit)", static_cast<unsigned long long>(scene_.notDrawn)));
    scene_.height = std::max(scene_.height, std::round(y));
  }

  void ScaleBar() {
    const double perKm = scene_.projection.PixelsPerKm();
    static const double lengths[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};
    double km = lengths[0];
    for (double l : lengths) {
      if (l * perKm <= 160.0) km = l;
    }
    const double x = scene_.frame.x, y = scene_.frame.y + scene_.frame.height + 38.0, w = km * perKm;
    Item& bar = NewItem("", false);
    bar.shapes.push_back(Line({Point{x, y - 4}, Point{x, y}, Point{x + w, y}, Point{x + w, y - 4}}, kInk, 1.5));
    std::string words = km >= 1.0 ? Format("%.0f km", km) : Format("%.0f m", km * 1000.0);
    words += Format("  (true at %s)", DegreeLabel(scene_.projection.middleLat, false, 2).c_str());
    bar.shapes.push_back(Text(Point{x + w + 8.0, y + 4.0}, std::move(words), kInk, 10.0));
  }

  const std::vector<FileAccount>& files_;
  const MapOptions& options_;
  Scene scene_;
  double south_ = 0.0;
  double width_ = 0.0;
  std::map<std::string, int64_t> kinds_;
  std::vector<std::vector<std::string>> kindOf_;
  size_t labels_ = 0;
  std::map<std::pair<double, double>, int> labelRows_;
};

}  // namespace

Scene MapBuilder::Compose() const {
  Composer composer(files_, options_);
  composer.LeftOut(leftOut_, leftOutLocated_, leftOutUnlocated_);
  return composer.Run();
}

}  // namespace skarn::map
