// A map of what one or many files hold, as plain data: shapes in pixel
// coordinates, grouped into items that each carry the text shown when the
// pointer rests on them. The SVG writer and the window draw the same scene.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/FileAccount.h"

namespace skarn::map {

struct Point {
  double x = 0.0;
  double y = 0.0;
};

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Style {
  Rgb stroke;
  double strokeWidth = 0.0;  // 0: no outline
  Rgb fill;
  double fillOpacity = 0.0;  // 0: not filled
  bool dashed = false;
};

struct Shape {
  enum class Type { kLine, kPolygon, kCircle, kText };
  Type type = Type::kLine;
  std::vector<Point> points;  // line and polygon vertices; circle and text: the one anchor
  double radius = 0.0;        // circle
  Style style;
  std::string text;  // text: the words; its colour is the fill
  double fontSize = 10.0;
  enum class Anchor { kStart, kMiddle, kEnd } anchor = Anchor::kStart;
  // Keeps its size in pixels around the item's anchor when a view zooms
  // (symbols and their labels); other shapes grow with the map.
  bool fixedSize = false;
};

// Shapes drawn together, with one hover text. clipped items lie in the map's
// frame and are cut at its edge; the others (labels of the frame, legend,
// scale bar) lie around it.
struct Item {
  std::string hover;
  int feature = -1;  // index into Scene::features, or -1
  bool clipped = true;
  Point anchor;  // the feature's place, around which fixed-size shapes stay
  std::vector<Shape> shapes;
};

// Where a located thing landed.
struct PlacedFeature {
  size_t file = 0;     // index into Scene::files
  size_t feature = 0;  // index into that file's account features
  std::string kind;
  double lat = 0.0;
  double lon = 0.0;
  Point at;
};

// Where a latitude band of a file's account landed: its section (index into
// the account's sections), its place in that section's bands and its item.
struct PlacedBand {
  size_t file = 0;
  size_t section = 0;
  size_t band = 0;
  size_t item = 0;
};

// Equirectangular: x grows with longitude scaled by the cosine of the view's
// middle latitude, y grows southwards. Longitudes are taken within 180
// degrees of the view's middle, so a view across the 180th meridian is one
// piece.
struct Projection {
  double north = 0.0;
  double west = 0.0;        // may lie outside -180..180 for a view across 180
  double middleLon = 0.0;
  double middleLat = 0.0;
  double pixelsPerDegree = 1.0;  // along a meridian
  double cosine = 1.0;           // of middleLat
  Point origin;                  // where (north, west) lands

  double Unwrap(double lon) const;  // lon within 180 degrees of middleLon
  double X(double lon) const;       // of a longitude already unwrapped
  Point Project(double lat, double lon) const;
  double PixelsPerKm() const;
};

struct Rect {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
};

struct Scene {
  double width = 0.0;
  double height = 0.0;
  Rect frame;  // the map's area
  Projection projection;
  std::string title;
  std::vector<std::string> files;  // paths, in the order given
  std::vector<Item> items;         // drawn in order
  std::vector<PlacedFeature> features;
  std::vector<PlacedBand> bands;  // in the accounts' order
  uint64_t notLocated = 0;  // features without a position (seed blocks, ...)
  uint64_t notDrawn = 0;    // features left out past the drawing limit
};

struct MapOptions {
  double frameWidth = 1000.0;  // the largest the map's frame may be, in pixels
  double frameHeight = 750.0;
  size_t maxFeatures = 200000;  // drawn at most; the rest are counted
  size_t maxLabels = 2000;      // feature labels only while fewer features are drawn
};

// Collects the accounts of a map and composes its scene.
class MapBuilder {
 public:
  explicit MapBuilder(MapOptions options = {}) : options_(options) {}
  // Keeps what the map needs of the account (not its library objects,
  // bitmaps or problems).
  // Past the drawing limit only the kinds of further features are counted,
  // so a large library costs no more memory than the limit allows.
  void Add(const FileAccount& account);
  Scene Compose() const;

 private:
  MapOptions options_;
  std::vector<FileAccount> files_;
  size_t kept_ = 0;
  std::map<std::string, int64_t> leftOut_;  // kinds past the limit
  uint64_t leftOutLocated_ = 0;
  uint64_t leftOutUnlocated_ = 0;
};

// The text shown for a feature: kind, ident, name, frequency and the other
// values that matter on a map, position, file and offset.
std::string HoverText(const AccountFeature& feature, const std::string& fileName);

// The topmost item with a hover text under p (scene pixels): inside a
// filled shape, or within tolerance of an outline, a line or a point. -1
// when none. zoom is a view's scale: fixed-size shapes are that much smaller
// on the scene than the scene says.
int ItemAt(const Scene& scene, Point p, double tolerance, double zoom = 1.0);

// The item of the first file's band-th band of the section-th of its sections
// that hold bands; -1 when the scene has no such band.
int BandItem(const Scene& scene, size_t section, size_t band);

// The text with every byte that is not part of a well-formed UTF-8
// character of XML's range, and every control character but the line feed,
// replaced by '?': names in files are any bytes.
std::string CleanText(const std::string& text);

// The colour of a kind's symbol (its middle dot).
Rgb KindColour(const std::string& kind);

}  // namespace skarn::map
