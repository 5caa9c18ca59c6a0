#include "json_lite.h"

#include <cmath>
#include <cstdlib>

namespace jsonlite {

namespace {

constexpr int kMaxDepth = 200;

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  Value Document() {
    if (s_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    Value v = ParseValue(0);
    SkipSpace();
    if (pos_ != s_.size()) Fail("unexpected text after the document");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw ParseError(what + " at offset " + std::to_string(pos_));
  }
  void SkipSpace() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
      ++pos_;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (s_.compare(pos_, w.size(), w) != 0) return false;
    pos_ += w.size();
    return true;
  }

  Value ParseValue(int depth) {
    if (depth > kMaxDepth) Fail("nesting too deep");
    SkipSpace();
    if (pos_ >= s_.size()) Fail("unexpected end of text");
    Value v;
    const char c = s_[pos_];
    if (c == '{') {
      v.type = Value::Type::Object;
      ++pos_;
      SkipSpace();
      if (pos_ < s_.size() && s_[pos_] == '}') {
        ++pos_;
        return v;
      }
      for (;;) {
        SkipSpace();
        if (pos_ >= s_.size() || s_[pos_] != '"') Fail("expected a member name");
        std::string key = ParseString();
        SkipSpace();
        if (pos_ >= s_.size() || s_[pos_] != ':') Fail("expected ':'");
        ++pos_;
        Value member = ParseValue(depth + 1);
        v.members.emplace_back(std::move(key), std::move(member));
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == '}') {
          ++pos_;
          return v;
        }
        Fail("expected ',' or '}'");
      }
    }
    if (c == '[') {
      v.type = Value::Type::Array;
      ++pos_;
      SkipSpace();
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
        return v;
      }
      for (;;) {
        v.items.push_back(ParseValue(depth + 1));
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < s_.size() && s_[pos_] == ']') {
          ++pos_;
          return v;
        }
        Fail("expected ',' or ']'");
      }
    }
    if (c == '"') {
      v.type = Value::Type::String;
      v.text = ParseString();
      return v;
    }
    if (Literal("true")) {
      v.type = Value::Type::Bool;
      v.boolean = true;
      return v;
    }
    if (Literal("false")) {
      v.type = Value::Type::Bool;
      return v;
    }
    if (Literal("null")) return v;
    if (c == '-' || (c >= '0' && c <= '9')) {
      v.type = Value::Type::Number;
      v.number = ParseNumber();
      return v;
    }
    Fail("unexpected character");
  }

  double ParseNumber() {
    const size_t start = pos_;
    if (s_[pos_] == '-') ++pos_;
    auto digits = [&] {
      const size_t from = pos_;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
      return pos_ > from;
    };
    if (!digits()) Fail("bad number");
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      if (!digits()) Fail("bad number");
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
      if (!digits()) Fail("bad number");
    }
    const std::string text = s_.substr(start, pos_ - start);
    return std::strtod(text.c_str(), nullptr);  // out-of-range gives +-HUGE_VAL, still a number
  }

  static void AppendUtf8(std::string* out, unsigned cp) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  unsigned Hex4() {
    if (pos_ + 4 > s_.size()) Fail("bad \\u escape");
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = s_[pos_++];
      v <<= 4;
      if (h >= '0' && h <= '9') v |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f') v |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') v |= static_cast<unsigned>(h - 'A' + 10);
      else Fail("bad \\u escape");
    }
    return v;
  }

  std::string ParseString() {
    ++pos_;  // opening quote
    std::string out;
    for (;;) {
      if (pos_ >= s_.size()) Fail("unterminated string");
      const char c = s_[pos_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in string");
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos_ >= s_.size()) Fail("unterminated string");
      const char e = s_[pos_++];
      switch (e) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '/': out.push_back('/'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
          unsigned cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(pos_, 2, "\\u") == 0) {
            pos_ += 2;
            const unsigned lo = Hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          AppendUtf8(&out, cp);
          break;
        }
        default: Fail("bad escape");
      }
    }
  }

  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace

Value Parse(const std::string& text) { return Parser(text).Document(); }

}  // namespace jsonlite
