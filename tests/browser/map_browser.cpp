// The map as a browser shows it: the SVG of a scene is rendered by headless
// Chromium, and the screenshot must show the map's frame and, at the very
// pixel each feature's coordinates give, the colour of its symbol.
//
// Usage: map_browser SOURCE_DIR WORK_DIR. Exit status 0 when every check
// holds, 1 when one fails, 77 (skipped) when chromium is not installed.
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Host.h"
#include "index/Scan.h"
#include "map/MapScene.h"
#include "map/MapSvg.h"

namespace {

namespace fs = std::filesystem;

struct Image {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<unsigned char> rgb;  // 3 bytes a pixel, rows top down
  skarn::map::Rgb At(unsigned x, unsigned y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return skarn::map::Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
  }
};

uint32_t Be32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Reads an 8-bit RGB or RGBA PNG without interlacing (what the browser
// writes); false with a message otherwise.
bool ReadPng(const fs::path& path, Image& img, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  const std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (s.size() < 33 || s.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
    why = "not a PNG file";
    return false;
  }
  std::string idat;
  unsigned channels = 0;
  for (size_t p = 8; p + 12 <= s.size();) {
    const uint32_t length = Be32(s, p);
    const std::string type = s.substr(p + 4, 4);
    if (p + 12 + length > s.size()) break;
    if (type == "IHDR") {
      img.width = Be32(s, p + 8);
      img.height = Be32(s, p + 12);
      const int depth = s[p + 16], colour = s[p + 17], interlace = s[p + 20];
      channels = colour == 2 ? 3 : colour == 6 ? 4 : 0;
      if (depth != 8 || channels == 0 || interlace != 0 || img.width > 20000 || img.height > 20000) {
        why = "a PNG form this reader does not take";
        return false;
      }
    } else if (type == "IDAT") {
      idat += s.substr(p + 8, length);
    }
    p += 12 + length;
  }
  const size_t stride = static_cast<size_t>(img.width) * channels;
  std::vector<unsigned char> raw((stride + 1) * img.height);
  uLongf size = static_cast<uLongf>(raw.size());
  if (channels == 0 || uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(idat.data()), static_cast<uLong>(idat.size())) != Z_OK ||
      size != raw.size()) {
    why = "the PNG's data does not unpack";
    return false;
  }
  std::vector<unsigned char> prev(stride, 0), cur(stride);
  img.rgb.clear();
  for (unsigned y = 0; y < img.height; ++y) {
    const unsigned char* line = &raw[y * (stride + 1)];
    for (size_t x = 0; x < stride; ++x) {
      const int a = x >= channels ? cur[x - channels] : 0, b = prev[x], c = x >= channels ? prev[x - channels] : 0;
      int v = line[1 + x];
      switch (line[0]) {
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: v += Paeth(a, b, c); break;
        default: break;
      }
      cur[x] = static_cast<unsigned char>(v);
    }
    for (unsigned x = 0; x < img.width; ++x) {
      for (unsigned k = 0; k < 3; ++k) img.rgb.push_back(cur[x * channels + k]);
    }
    prev.swap(cur);
  }
  return true;
}

bool Near(skarn::map::Rgb a, skarn::map::Rgb b) {
  return std::abs(a.r - b.r) <= 12 && std::abs(a.g - b.g) <= 12 && std::abs(a.b - b.b) <= 12;
}

std::string Hex(skarn::map::Rgb c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

skarn::AccountFeature Feature(const char* kind, double lat, double lon, const char* ident, double frequency) {
  skarn::AccountFeature f;
  f.kind = kind;
  f.lat = lat;
  f.lon = lon;
  f.ident = ident;
  f.Number("frequency", frequency);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: map_browser SOURCE_DIR WORK_DIR\n");
    return 2;
  }
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    std::printf("SKIPPED: chromium is not installed (apt-get install chromium)\n");
    return 77;
  }
  const fs::path source = argv[1], work = argv[2];
  fs::create_directories(work);

  // The example file as the command line reads it, and a second file of
  // radio stations inside its bounds.
  skarn::index::BatchHost host(true);
  const skarn::FileAccount example = skarn::index::ReadAccount((source / "examples" / "airfield.bgl").string(), host);
  skarn::FileAccount radio;
  radio.path = radio.fileName = "radio.bgl";
  radio.read = true;
  // A name of bytes that are no UTF-8 must not break the document.
  skarn::AccountFeature vor = Feature("vor", 47.515, 8.505, "KLO", 114.85);
  vor.name = "KLOTEN \xFF\xFE\x01";
  radio.features = {vor, Feature("ndb", 47.485, 8.545, "ZH", 345.0),
                    Feature("atis", 47.49, 8.505, "", 128.52)};
  skarn::map::MapBuilder builder;
  builder.Add(example);
  builder.Add(radio);
  const skarn::map::Scene scene = builder.Compose();
  const fs::path svg = work / "map.svg", png = work / "map.png";
  {
    std::ofstream out(svg, std::ios::binary);
    out << skarn::map::SceneSvg(scene);
  }
  fs::remove(png);
  const std::string command = "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
                              "--disable-component-update --no-first-run --hide-scrollbars --user-data-dir='" +
                              (work / "profile").string() + "' --screenshot='" + png.string() + "' --window-size=" +
                              std::to_string(static_cast<int>(scene.width)) + "," + std::to_string(static_cast<int>(scene.height)) +
                              " 'file://" + fs::absolute(svg).string() + "' >'" + (work / "chromium.log").string() + "' 2>&1";
  if (std::system(command.c_str()) != 0 || !fs::exists(png)) {
    std::fprintf(stderr, "FAILED: chromium made no screenshot (see %s)\n", (work / "chromium.log").string().c_str());
    return 1;
  }
  Image img;
  std::string why;
  if (!ReadPng(png, img, why)) {
    std::fprintf(stderr, "FAILED: %s: %s\n", png.string().c_str(), why.c_str());
    return 1;
  }
  int failures = 0;
  auto fail = [&](const std::string& what) {
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    ++failures;
  };
  if (img.width < scene.width - 1 || img.height < scene.height - 1) fail("the screenshot is smaller than the map");

  // Parsed and not blank: the frame's fill shows inside it, and many pixels
  // are neither white nor that fill.
  const skarn::map::Rgb water{244, 247, 251}, white{255, 255, 255};
  if (!Near(img.At(static_cast<unsigned>(scene.frame.x + 3), static_cast<unsigned>(scene.frame.y + scene.frame.height - 3)), water)) {
    fail("the map's frame is not drawn (the SVG did not parse?)");
  }
  size_t inked = 0;
  for (unsigned y = 0; y < img.height; ++y) {
    for (unsigned x = 0; x < img.width; ++x) {
      if (!Near(img.At(x, y), white) && !Near(img.At(x, y), water)) ++inked;
    }
  }
  if (inked < 2000) fail("the map is almost blank (" + std::to_string(inked) + " drawn pixels)");

  // Each located feature: its symbol's colour where its coordinates land.
  size_t checked = 0;
  for (const skarn::map::PlacedFeature& f : scene.features) {
    const skarn::map::Point at = scene.projection.Project(f.lat, f.lon);
    const auto x = static_cast<unsigned>(std::lround(at.x)), y = static_cast<unsigned>(std::lround(at.y));
    if (x >= img.width || y >= img.height) {
      fail(f.kind + " lands outside the screenshot");
      continue;
    }
    const skarn::map::Rgb want = skarn::map::KindColour(f.kind), got = img.At(x, y);
    if (!Near(got, want)) fail(f.kind + " at (" + std::to_string(x) + ", " + std::to_string(y) + "): " + Hex(got) + ", not " + Hex(want));
    ++checked;
  }
  if (checked < 5) fail("fewer features than expected: " + std::to_string(checked));
  std::printf("%zu features checked in %ux%u pixels, %zu drawn; screenshot %s\n", checked, img.width, img.height, inked,
              png.string().c_str());
  return failures == 0 ? 0 : 1;
}
