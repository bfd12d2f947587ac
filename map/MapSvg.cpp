#include "map/MapSvg.h"

#include <cmath>

#include "core/Format.h"

namespace skarn::map {

namespace {

// Two decimals, no trailing zeros, never "-0".
void Num(std::string& out, double v) {
  double r = std::round(v * 100.0) / 100.0;
  if (!std::isfinite(r)) r = 0.0;
  if (r == 0.0) r = 0.0;
  std::string s;
  AppendFixed(s, r, 2);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  out += s;
}

void Attr(std::string& out, const char* name, double v) {
  out += ' ';
  out += name;
  out += "=\"";
  Num(out, v);
  out += '"';
}

void Escape(std::string& out, const std::string& raw) {
  for (char c : CleanText(raw)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': break;
      default:
        out += c;
    }
  }
}

std::string Hex(Rgb c) { return Format("#%02x%02x%02x", c.r, c.g, c.b); }

void Paint(std::string& out, const Style& s, bool fillable) {
  if (fillable && s.fillOpacity > 0.0) {
    out += " fill=\"" + Hex(s.fill) + "\"";
    if (s.fillOpacity < 1.0) Attr(out, "fill-opacity", s.fillOpacity);
  } else {
    out += " fill=\"none\"";
  }
  if (s.strokeWidth > 0.0) {
    out += " stroke=\"" + Hex(s.stroke) + "\"";
    Attr(out, "stroke-width", s.strokeWidth);
    if (s.dashed) out += " stroke-dasharray=\"4 3\"";
  }
}

void Points(std::string& out, const std::vector<Point>& pts) {
  out += " points=\"";
  for (size_t i = 0; i < pts.size(); ++i) {
    if (i != 0) out += ' ';
    Num(out, pts[i].x);
    out += ',';
    Num(out, pts[i].y);
  }
  out += '"';
}

void WriteShape(std::string& out, const Shape& s) {
  if (s.points.empty()) return;
  switch (s.type) {
    case Shape::Type::kLine:
      out += "<polyline";
      Points(out, s.points);
      Paint(out, s.style, false);
      out += "/>";
      break;
    case Shape::Type::kPolygon:
      out += "<polygon";
      Points(out, s.points);
      Paint(out, s.style, true);
      out += "/>";
      break;
    case Shape::Type::kCircle:
      out += "<circle";
      Attr(out, "cx", s.points[0].x);
      Attr(out, "cy", s.points[0].y);
      Attr(out, "r", s.radius);
      Paint(out, s.style, true);
      out += "/>";
      break;
    case Shape::Type::kText:
      out += "<text";
      Attr(out, "x", s.points[0].x);
      Attr(out, "y", s.points[0].y);
      Attr(out, "font-size", s.fontSize);
      out += " fill=\"" + Hex(s.style.fill) + "\"";
      if (s.anchor == Shape::Anchor::kMiddle) out += " text-anchor=\"middle\"";
      if (s.anchor == Shape::Anchor::kEnd) out += " text-anchor=\"end\"";
      out += '>';
      Escape(out, s.text);
      out += "</text>";
      break;
  }
  out += "\r\n";
}

}  // namespace

std::string SceneSvg(const Scene& scene) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
  Attr(out, "width", scene.width);
  Attr(out, "height", scene.height);
  out += " viewBox=\"0 0 ";
  Num(out, scene.width);
  out += ' ';
  Num(out, scene.height);
  out += "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\r\n<title>";
  Escape(out, scene.title);
  out += "</title>\r\n<defs><clipPath id=\"frame\"><rect";
  Attr(out, "x", scene.frame.x);
  Attr(out, "y", scene.frame.y);
  Attr(out, "width", scene.frame.width);
  Attr(out, "height", scene.frame.height);
  out += "/></clipPath></defs>\r\n";
  bool clipping = false;
  for (const Item& item : scene.items) {
    if (item.clipped != clipping) {
      out += clipping ? "</g>\r\n" : "<g clip-path=\"url(#frame)\">\r\n";
      clipping = item.clipped;
    }
    const bool group = !item.hover.empty();
    if (group) {
      out += "<g";
      if (item.feature >= 0) out += " class=\"" + scene.features[static_cast<size_t>(item.feature)].kind + "\"";
      out += "><title>";
      Escape(out, item.hover);
      out += "</title>\r\n";
    }
    for (const Shape& s : item.shapes) WriteShape(out, s);
    if (group) out += "</g>\r\n";
  }
  if (clipping) out += "</g>\r\n";
  out += "</svg>\r\n";
  return out;
}

}  // namespace skarn::map
