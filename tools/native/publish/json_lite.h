// A small strict JSON reader for the publisher: enough to read back manifests the way the
// launcher does (objects keep member order, the first of duplicated keys counts).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace jsonlite {

struct Value {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Value> items;
  std::vector<std::pair<std::string, Value>> members;

  // First member with exactly this key, or nullptr.
  const Value* Find(const std::string& key) const {
    for (const auto& m : members)
      if (m.first == key) return &m.second;
    return nullptr;
  }
  bool IsNumber() const { return type == Type::Number; }
  bool IsString() const { return type == Type::String; }
  bool IsArray() const { return type == Type::Array; }
  bool IsObject() const { return type == Type::Object; }
};

struct ParseError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Accepts a leading UTF-8 byte-order mark and surrounding white space.
Value Parse(const std::string& text);

}  // namespace jsonlite
