// Minimal, forgiving JSON reader for the documents the launcher downloads or keeps on disk.
// Portable (no Windows headers) so it can be built natively for fuzzing.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace jsonmin {

enum class Type { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct Value {
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;                                    // String, after unescaping
  std::vector<Value> items;                            // Array, document order
  std::vector<std::pair<std::string, Value>> members;  // Object, document order, duplicates kept

  // First member with exactly this key, or null (also on a value that is not an object).
  const Value* Find(const std::string& key) const;
  double NumberOr(const std::string& key, double fallback) const;
  std::string StringOr(const std::string& key, const std::string& fallback) const;
};

class ParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arrays and objects nested deeper than this are refused ("aninhamento muito profundo"), so a
// hostile document cannot exhaust the stack.
inline constexpr int kMaxDepth = 64;

// Parses the first value of the text (after an optional UTF-8 byte-order mark); trailing text
// is ignored. Throws ParseError, or std::invalid_argument ("invalid stod argument") /
// std::out_of_range ("stod argument out of range") for an unconvertible number.
Value Parse(const std::string& text);

}  // namespace jsonmin
