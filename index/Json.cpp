#include "index/Json.h"

#include <cmath>

#include "core/Format.h"

namespace skarn::index {

void JsonWriter::Separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!filled_.empty()) {
    if (filled_.back()) out_ += ',';
    filled_.back() = true;
  }
}

void JsonWriter::BeginObject() {
  Separate();
  out_ += '{';
  filled_.push_back(false);
}

void JsonWriter::EndObject() {
  out_ += '}';
  filled_.pop_back();
}

void JsonWriter::BeginArray() {
  Separate();
  out_ += '[';
  filled_.push_back(false);
}

void JsonWriter::EndArray() {
  out_ += ']';
  filled_.pop_back();
}

void JsonWriter::Key(std::string_view key) {
  Separate();
  AppendJsonString(out_, key);
  out_ += ':';
  afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
  Separate();
  AppendJsonString(out_, text);
}

void JsonWriter::Int(int64_t v) {
  Separate();
  Appendf(out_, "%lld", static_cast<long long>(v));
}

void JsonWriter::UInt(uint64_t v) {
  Separate();
  Appendf(out_, "%llu", static_cast<unsigned long long>(v));
}

void JsonWriter::Number(double v) {
  Separate();
  AppendJsonNumber(out_, v);
}

void JsonWriter::Bool(bool v) {
  Separate();
  out_ += v ? "true" : "false";
}

void JsonWriter::Null() {
  Separate();
  out_ += "null";
}

void AppendJsonNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  // Whole numbers (most counts and sizes) as integers.
  if (v == std::trunc(v) && std::fabs(v) < 9007199254740992.0) {
    Appendf(out, "%lld", static_cast<long long>(v));
    return;
  }
  const size_t start = out.size();
  AppendFixed(out, v, 12);
  const size_t dot = out.find('.', start);
  if (dot != std::string::npos) {
    size_t end = out.size();
    while (end > dot + 1 && out[end - 1] == '0') --end;
    if (end == dot + 1) --end;
    out.resize(end);
  }
  if (out.size() == start + 2 && out[start] == '-' && out[start + 1] == '0') {
    out.resize(start);
    out += '0';
  }
}

namespace {

// Length of the UTF-8 sequence at the start of s, or 0 when it is not one.
size_t Utf8Length(std::string_view s) {
  const auto b = static_cast<unsigned char>(s[0]);
  size_t n = 0;
  uint32_t min = 0;
  uint32_t cp = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2, min = 0x80, cp = b & 0x1Fu;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3, min = 0x800, cp = b & 0x0Fu;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4, min = 0x10000, cp = b & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (size_t i = 0; i < text.size();) {
    // The run of bytes that stand as they are goes in at once.
    size_t plain = i;
    while (plain < text.size()) {
      const auto c = static_cast<unsigned char>(text[plain]);
      if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') break;
      ++plain;
    }
    out.append(text.substr(i, plain - i));
    i = plain;
    if (i >= text.size()) break;
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      switch (b) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: Appendf(out, "\\u%.4x", static_cast<unsigned>(b));
      }
      ++i;
      continue;
    }
    if (const size_t n = Utf8Length(text.substr(i)); n != 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      // A Latin-1 character: two bytes of UTF-8.
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
      ++i;
    }
  }
  out += '"';
}

}  // namespace skarn::index
