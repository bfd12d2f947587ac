#include "index/AccountJson.h"

#include "core/Format.h"
#include "core/GeoText.h"
#include "index/Json.h"

namespace skarn::index {

const char* AccountStatus(const FileAccount& account) {
  if (!account.read) return "failed";
  return account.problems.empty() ? "read" : "warnings";
}

const char* AccountKind(const FileAccount& account) {
  if (!account.read) return "-";
  return account.compressed ? "compressed" : "plain";
}

namespace {

void WriteValues(JsonWriter& j, const AccountFeature& f) {
  j.BeginObject();
  for (const AccountField& v : f.fields) {
    j.Key(v.key);
    if (v.isText) {
      j.String(v.text);
    } else {
      j.Number(v.number);
    }
  }
  j.EndObject();
}

void WriteCounts(JsonWriter& j, const AccountSection& s) {
  j.BeginObject();
  for (const AccountCount& c : s.counts) j.Int(c.key, c.value);
  j.EndObject();
}

}  // namespace

std::string FeatureValuesJson(const AccountFeature& feature) {
  std::string out;
  JsonWriter j(out);
  WriteValues(j, feature);
  return out;
}

std::string SectionCountsJson(const AccountSection& section) {
  std::string out;
  JsonWriter j(out);
  WriteCounts(j, section);
  return out;
}

std::string AccountJson(const FileAccount& a) {
  std::string out;
  JsonWriter j(out);
  j.BeginObject();
  j.String("schema", "skarn-account");
  j.Int("version", kSchemaVersion);
  j.String("path", a.path);
  j.String("file", a.fileName);
  j.String("status", AccountStatus(a));
  j.UInt("size", a.fileSize);
  j.UInt("image_size", a.imageSize);
  j.Bool("compressed", a.compressed);
  j.Key("header");
  if (a.read) {
    j.BeginObject();
    j.Int("vis_type", a.visType);
    j.Bool("extended", a.extended);
    j.Number("north", a.north);
    j.Number("south", a.south);
    j.Number("east", a.east);
    j.Number("west", a.west);
    j.EndObject();
  } else {
    j.Null();
  }

  j.Key("sections");
  j.BeginArray();
  for (const AccountSection& s : a.sections) {
    j.BeginObject();
    j.Int("slot", s.slot);
    j.String("name", s.name);
    j.UInt("offset", s.offset);
    j.Bool("detailed", s.detailed);
    j.Key("counts");
    WriteCounts(j, s);
    j.Key("bands");
    j.BeginArray();
    for (const AccountBand& b : s.bands) {
      j.BeginObject();
      j.Number("lat1", b.lat1);
      j.Number("lat2", b.lat2);
      j.UInt("offset", b.offset);
      j.Int("count", b.count);
      if (b.frequency != 0.0) {
        j.Number("frequency", b.frequency);
      }
      j.EndObject();
    }
    j.EndArray();
    j.EndObject();
  }
  j.EndArray();

  j.Key("features");
  j.BeginArray();
  for (const AccountFeature& f : a.features) {
    j.BeginObject();
    j.String("kind", f.kind);
    j.Int("slot", f.slot);
    j.UInt("offset", f.offset);
    j.Key("lat");
    if (f.located) {
      j.Number(f.lat);
    } else {
      j.Null();
    }
    j.Key("lon");
    if (f.located) {
      j.Number(f.lon);
    } else {
      j.Null();
    }
    j.String("ident", f.ident);
    j.String("name", f.name);
    j.Key("values");
    WriteValues(j, f);
    if (!f.points.empty()) {
      j.Key("points");
      j.BeginArray();
      for (const AccountPoint& p : f.points) {
        j.BeginArray();
        j.Number(p.lat);
        j.Number(p.lon);
        j.EndArray();
      }
      j.EndArray();
    }
    j.EndObject();
  }
  j.EndArray();

  j.Key("library_objects");
  j.BeginArray();
  for (const AccountLibraryObject& o : a.libraryObjects) {
    j.BeginObject();
    j.String("id", o.id);
    j.String("name", o.name);
    j.String("form", o.form);
    j.UInt("offset", o.offset);
    j.UInt("size", o.size);
    j.EndObject();
  }
  j.EndArray();

  j.Key("bitmaps");
  j.BeginArray();
  for (const std::string& b : a.bitmaps) j.String(b);
  j.EndArray();

  j.Key("problems");
  j.BeginArray();
  for (const AccountProblem& p : a.problems) {
    j.BeginObject();
    j.String("text", p.text);
    j.Key("offset");
    if (p.offset >= 0) {
      j.Int(p.offset);
    } else {
      j.Null();
    }
    j.EndObject();
  }
  j.EndArray();
  j.EndObject();
  return out;
}

std::string AccountText(const FileAccount& a) {
  std::string out;
  GeoText geo;
  Appendf(out, "File: %s\n", a.path.c_str());
  Appendf(out, "Status: %s\n", AccountStatus(a));
  Appendf(out, "Size: %llu bytes%s\n", static_cast<unsigned long long>(a.fileSize),
          a.compressed ? Format(" (compressed; %llu unpacked)", static_cast<unsigned long long>(a.imageSize)).c_str()
                       : "");
  if (a.read) {
    Appendf(out, "VIS type: %d%s\n", a.visType, a.extended ? " (extended header)" : "");
    out += "Bounds: latitude";
    out += geo.LatText(a.south);
    out += " to";
    out += geo.LatText(a.north);
    out += ", longitude";
    out += geo.LonText(a.west);
    out += " to";
    out += geo.LonText(a.east);
    out += "\n";
  }
  for (const AccountSection& s : a.sections) {
    Appendf(out, "Section %d (%s) at 0x%llX:", s.slot, s.name.c_str(), static_cast<unsigned long long>(s.offset));
    for (const AccountCount& c : s.counts) Appendf(out, " %lld %s", static_cast<long long>(c.value), c.key.c_str());
    if (!s.detailed) out += " (not itemised)";
    out += "\n";
    for (const AccountBand& b : s.bands) {
      out += "   band";
      if (b.frequency != 0.0) Appendf(out, " %.2f MHz", b.frequency);
      out += geo.LatText(b.lat1);
      out += " to";
      out += geo.LatText(b.lat2);
      Appendf(out, ": %lld\n", static_cast<long long>(b.count));
    }
  }
  for (const AccountFeature& f : a.features) {
    Appendf(out, "%s at 0x%llX:", f.kind, static_cast<unsigned long long>(f.offset));
    if (f.located) {
      out += geo.LatText(f.lat);
      out += geo.LonText(f.lon);
    }
    if (!f.ident.empty()) Appendf(out, " %s", f.ident.c_str());
    if (!f.name.empty()) Appendf(out, " \"%s\"", f.name.c_str());
    for (const AccountField& v : f.fields) {
      if (v.isText) {
        Appendf(out, " %s=%s", v.key, v.text.c_str());
      } else {
        out += ' ';
        out += v.key;
        out += '=';
        AppendJsonNumber(out, v.number);
      }
    }
    if (!f.points.empty()) Appendf(out, " (%zu points)", f.points.size());
    out += "\n";
  }
  for (const AccountLibraryObject& o : a.libraryObjects) {
    Appendf(out, "library object %s \"%s\" (%s form) at 0x%llX, %llu bytes\n", o.id.c_str(), o.name.c_str(),
            o.form.c_str(), static_cast<unsigned long long>(o.offset), static_cast<unsigned long long>(o.size));
  }
  for (const std::string& b : a.bitmaps) Appendf(out, "bitmap %s\n", b.c_str());
  for (const AccountProblem& p : a.problems) {
    if (p.offset >= 0) {
      Appendf(out, "problem at 0x%llX: %s\n", static_cast<unsigned long long>(p.offset), p.text.c_str());
    } else {
      Appendf(out, "problem: %s\n", p.text.c_str());
    }
  }
  return out;
}

}  // namespace skarn::index
