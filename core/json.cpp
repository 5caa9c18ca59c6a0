#include "core/json.h"

#include <cerrno>
#include <cstdlib>

namespace jsonmin {
namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  Value ParseDocument() {
    if (s_.size() >= 3 && static_cast<unsigned char>(s_[0]) == 0xEF &&
        static_cast<unsigned char>(s_[1]) == 0xBB && static_cast<unsigned char>(s_[2]) == 0xBF) {
      pos_ = 3;
    }
    SkipWhitespace();
    return ReadValue();
  }

 private:
  // Past the end reads as a zero byte (no character).
  char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
  bool AtEnd() const { return pos_ >= s_.size(); }
  bool Matches(const char* word, size_t n) const {
    return pos_ <= s_.size() && s_.size() - pos_ >= n && s_.compare(pos_, n, word) == 0;
  }

  void SkipWhitespace() {
    while (!AtEnd() && static_cast<unsigned char>(s_[pos_]) <= 0x20) ++pos_;
  }

  void Expect(char expected) {
    char c = Peek();
    if (!AtEnd()) ++pos_;
    if (c != expected) {
      throw ParseError(std::string("esperado '") + expected + "' na posicao " +
                       std::to_string(pos_));
    }
  }

  Value ReadValue() {
    SkipWhitespace();
    switch (Peek()) {
      case '"': {
        Value v;
        v.type = Type::String;
        v.text = ReadString();
        return v;
      }
      case '[':
        return ReadArray();
      case '{':
        return ReadObject();
      case 't':
      case 'f': {
        Value v;
        v.type = Type::Bool;
        if (Matches("true", 4)) {
          v.boolean = true;
          pos_ += 4;
        } else if (Matches("false", 5)) {
          pos_ += 5;
        } else {
          throw ParseError("literal booleano invalido");
        }
        return v;
      }
      case 'n':
        // The three bytes after "n" are not examined; the position may pass the end.
        pos_ += 4;
        return Value();
      default:
        return ReadNumber();
    }
  }

  Value ReadNumber() {
    const size_t start = pos_;
    auto digits = [this] {
      while (Peek() >= '0' && Peek() <= '9') ++pos_;
    };
    if (Peek() == '-') ++pos_;
    digits();
    if (Peek() == '.') {
      ++pos_;
      digits();
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++pos_;
      if (Peek() == '+' || Peek() == '-') ++pos_;
      digits();
    }
    if (pos_ == start) throw ParseError("valor invalido");

    // Longest valid prefix in the C locale, which the program never changes; the scanned text
    // holds only signs, digits, "." and "e", so "inf", "nan" or hex forms cannot appear.
    const std::string scanned = s_.substr(start, pos_ - start);
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(scanned.c_str(), &end);
    if (end == scanned.c_str()) throw std::invalid_argument("invalid stod argument");
    if (errno == ERANGE) throw std::out_of_range("stod argument out of range");
    Value v;
    v.type = Type::Number;
    v.number = d;
    return v;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;  // a stray byte counts as digit 0
  }

  std::string ReadString() {
    Expect('"');
    std::string out;
    for (;;) {
      if (AtEnd()) throw ParseError("string nao terminada");
      const char c = s_[pos_++];
      if (c == '"') return out;
      if (c == '\0') throw ParseError("string nao terminada");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (AtEnd()) throw ParseError("string nao terminada");
      const char e = s_[pos_++];
      switch (e) {
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned code = 0;
          for (int i = 0; i < 4; ++i) {
            int digit = 0;
            if (!AtEnd()) digit = HexDigit(s_[pos_++]);
            code = code * 16 + static_cast<unsigned>(digit);
          }
          out += code < 0x80 ? static_cast<char>(code) : '?';
          break;
        }
        default:  // '"', '/', '\\' and any other byte stand for themselves
          out += e;
          break;
      }
    }
  }

  void Enter() {
    if (++depth_ > kMaxDepth) throw ParseError("aninhamento muito profundo");
  }

  Value ReadArray() {
    Enter();
    Expect('[');
    Value v;
    v.type = Type::Array;
    SkipWhitespace();
    if (Peek() == ']') {
      ++pos_;
      --depth_;
      return v;
    }
    for (;;) {
      v.items.push_back(ReadValue());
      SkipWhitespace();
      if (AtEnd()) throw ParseError("array malformado");
      const char c = s_[pos_++];
      if (c == ',') continue;
      if (c == ']') break;
      throw ParseError("array malformado");
    }
    --depth_;
    return v;
  }

  Value ReadObject() {
    Enter();
    Expect('{');
    Value v;
    v.type = Type::Object;
    SkipWhitespace();
    if (Peek() == '}') {
      ++pos_;
      --depth_;
      return v;
    }
    for (;;) {
      SkipWhitespace();
      std::string key = ReadString();
      SkipWhitespace();
      Expect(':');
      Value member = ReadValue();
      v.members.emplace_back(std::move(key), std::move(member));
      SkipWhitespace();
      if (AtEnd()) throw ParseError("objeto malformado");
      const char c = s_[pos_++];
      if (c == ',') continue;
      if (c == '}') break;
      throw ParseError("objeto malformado");
    }
    --depth_;
    return v;
  }

  const std::string& s_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

const Value* Value::Find(const std::string& key) const {
  for (const auto& member : members) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

double Value::NumberOr(const std::string& key, double fallback) const {
  const Value* v = Find(key);
  return v && v->type == Type::Number ? v->number : fallback;
}

std::string Value::StringOr(const std::string& key, const std::string& fallback) const {
  const Value* v = Find(key);
  return v && v->type == Type::String ? v->text : fallback;
}

Value Parse(const std::string& text) { return Parser(text).ParseDocument(); }

}  // namespace jsonmin
