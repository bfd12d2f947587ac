// A small JSON text writer: objects, arrays, strings, integers and numbers,
// written the same on every platform and in every locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skarn::index {

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The key of the next value inside an object.
  void Key(std::string_view key);

  void String(std::string_view text);
  void Int(int64_t v);
  void UInt(uint64_t v);
  // A number with at most twelve decimals, trailing zeros left out; one that
  // is not finite is written as null.
  void Number(double v);
  void Bool(bool v);
  void Null();
  // A key and its value, inside an object.
  void String(std::string_view key, std::string_view text) {
    Key(key);
    String(text);
  }
  void Int(std::string_view key, int64_t v) {
    Key(key);
    Int(v);
  }
  void UInt(std::string_view key, uint64_t v) {
    Key(key);
    UInt(v);
  }
  void Number(std::string_view key, double v) {
    Key(key);
    Number(v);
  }
  void Bool(std::string_view key, bool v) {
    Key(key);
    Bool(v);
  }

 private:
  void Separate();
  std::string& out_;
  // Per open level: whether a value has been written at it yet.
  std::vector<bool> filled_;
  bool afterKey_ = false;
};

// text as a JSON string: quoted, escaped, and bytes that are not UTF-8 taken
// as Latin-1 characters (the files' texts are single-byte).
void AppendJsonString(std::string& out, std::string_view text);
// v as JsonWriter::Number writes it.
void AppendJsonNumber(std::string& out, double v);

}  // namespace skarn::index
