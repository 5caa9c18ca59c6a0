#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "core/json.h"

using jsonmin::Parse;
using jsonmin::Type;
using jsonmin::Value;

namespace {

std::string Nested(int depth, const std::string& open, const std::string& close) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += open;
  s += "1";
  for (int i = 0; i < depth; ++i) s += close;
  return s;
}

// Text of the exception Parse throws, prefixed by its kind, or "ok".
std::string Outcome(const std::string& text) {
  try {
    Parse(text);
    return "ok";
  } catch (const jsonmin::ParseError& e) {
    return std::string("ParseError: ") + e.what();
  } catch (const std::invalid_argument& e) {
    return std::string("invalid_argument: ") + e.what();
  } catch (const std::out_of_range& e) {
    return std::string("out_of_range: ") + e.what();
  } catch (const std::exception& e) {
    return std::string("other: ") + e.what();
  }
}

}  // namespace

TEST(JsonParse, Errors) {
  struct Case {
    std::string text;
    std::string outcome;
  } cases[] = {
      {"", "ParseError: valor invalido"},
      {" \t\r\n ", "ParseError: valor invalido"},
      {"[1,]", "ParseError: valor invalido"},  // trailing comma: reported by the next value
      {"[1 2]", "ParseError: array malformado"},
      {"[1", "ParseError: array malformado"},
      {"[nul", "ParseError: array malformado"},  // "n" consumed past the end
      {"{\"a\" 1}", "ParseError: esperado ':' na posicao 6"},
      {"{\"a\"", "ParseError: esperado ':' na posicao 4"},  // text ended: its length
      {"{a:1}", "ParseError: esperado '\"' na posicao 2"},
      {"{\"a\":1", "ParseError: objeto malformado"},
      {"{\"a\":1 \"b\":2}", "ParseError: objeto malformado"},
      // Trailing commas in objects: reported by the member name that should follow.
      {"{\"a\":1,}", "ParseError: esperado '\"' na posicao 8"},
      {"{\"a\":1, }", "ParseError: esperado '\"' na posicao 9"},
      {"[{\"a\":{},}]", "ParseError: esperado '\"' na posicao 10"},
      {"tru", "ParseError: literal booleano invalido"},
      {"fals", "ParseError: literal booleano invalido"},
      {"trUe", "ParseError: literal booleano invalido"},
      {"\"abc", "ParseError: string nao terminada"},
      {std::string("\"a\0b\"", 5), "ParseError: string nao terminada"},
      {"\"abc\\", "ParseError: string nao terminada"},
      {"\"\\u41", "ParseError: string nao terminada"},
      {"\xEF\xBB\xBF\xEF\xBB\xBF{}", "ParseError: valor invalido"},  // second mark is no whitespace
      {"\xEF\xBB", "ParseError: valor invalido"},
      {"+1", "ParseError: valor invalido"},
      {"-", "invalid_argument: invalid stod argument"},
      {".", "invalid_argument: invalid stod argument"},
      {"[-e5]", "invalid_argument: invalid stod argument"},
      {"1e999", "out_of_range: stod argument out of range"},
      {"{\"v\":[-1e400]}", "out_of_range: stod argument out of range"},
      // Nesting is bounded; without the bound these overflowed the stack.
      {Nested(65, "[", "]"), "ParseError: aninhamento muito profundo"},
      {Nested(65, "{\"a\":", "}"), "ParseError: aninhamento muito profundo"},
      {Nested(33, "[{\"k\":", "}]"), "ParseError: aninhamento muito profundo"},
      {std::string(100000, '['), "ParseError: aninhamento muito profundo"},
      {Nested(64, "[", "]"), "ok"},
      {Nested(64, "{\"a\":", "}"), "ok"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcome(c.text), c.outcome) << "input: " << c.text.substr(0, 40);
  }
  static_assert(std::is_base_of<std::runtime_error, jsonmin::ParseError>::value, "");
}

TEST(JsonParse, Values) {
  struct Case {
    std::string text;
    std::function<void(const Value&)> check;
  } cases[] = {
      {"{}", [](const Value& v) { EXPECT_EQ(v.type, Type::Object); EXPECT_TRUE(v.members.empty()); }},
      {"{ \r\n\t }", [](const Value& v) { EXPECT_EQ(v.type, Type::Object); EXPECT_TRUE(v.members.empty()); }},
      {"[\n ]", [](const Value& v) { EXPECT_EQ(v.type, Type::Array); EXPECT_TRUE(v.items.empty()); }},
      {"{} x", [](const Value& v) { EXPECT_EQ(v.type, Type::Object); }},  // trailing text ignored
      {"nul", [](const Value& v) { EXPECT_EQ(v.type, Type::Null); }},
      {"n", [](const Value& v) { EXPECT_EQ(v.type, Type::Null); }},
      {"[nope]", [](const Value& v) {
         ASSERT_EQ(v.items.size(), 1u);
         EXPECT_EQ(v.items[0].type, Type::Null);
       }},
      {"\x01\x1f[true, false ,null]", [](const Value& v) {  // control bytes are whitespace
         ASSERT_EQ(v.items.size(), 3u);
         EXPECT_EQ(v.items[0].type, Type::Bool);
         EXPECT_TRUE(v.items[0].boolean);
         EXPECT_EQ(v.items[1].type, Type::Bool);
         EXPECT_FALSE(v.items[1].boolean);
         EXPECT_EQ(v.items[2].type, Type::Null);
       }},
      {std::string("[\0 1]", 5), [](const Value& v) { ASSERT_EQ(v.items.size(), 1u); }},
      {"\"\\u00e9\\u0041\\u00E9\"", [](const Value& v) { EXPECT_EQ(v.text, "?A?"); }},
      {"\"\xC3\xA9\"", [](const Value& v) { EXPECT_EQ(v.text, "\xC3\xA9"); }},
      {"\"\\/\\\"\\\\\\b\\f\\n\\r\\t\\x\"", [](const Value& v) {
         EXPECT_EQ(v.text, "/\"\\\b\f\n\r\tx");
       }},
      {"\"\\u0000\"", [](const Value& v) { EXPECT_EQ(v.text, std::string(1, '\0')); }},
      {"\"\\uzz41\"", [](const Value& v) { EXPECT_EQ(v.text, "A"); }},  // non-hex digits count 0
      {"\"\\u12\"x\"", [](const Value& v) { EXPECT_EQ(v.text, "?"); }},  // quote and x were digits
      {"{\"a\":1,\"a\":2,\"b\":\"x\"}", [](const Value& v) {
         ASSERT_EQ(v.members.size(), 3u);
         EXPECT_EQ(v.members[0].first, "a");
         EXPECT_EQ(v.members[1].first, "a");
         ASSERT_NE(v.Find("a"), nullptr);
         EXPECT_EQ(v.Find("a")->number, 1);
         EXPECT_EQ(v.Find("A"), nullptr);
         EXPECT_EQ(v.NumberOr("b", -1), -1);     // a string is no number
         EXPECT_EQ(v.StringOr("a", "fb"), "fb");  // a number is no string
         EXPECT_EQ(v.StringOr("b", "fb"), "x");
         EXPECT_EQ(v.NumberOr("zz", 5), 5);
       }},
      {"[1]", [](const Value& v) {  // a value that is not an object has no members
         EXPECT_EQ(v.Find("0"), nullptr);
         EXPECT_EQ(v.NumberOr("0", 3), 3);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    c.check(Parse(c.text));
  }
}

TEST(JsonParse, ByteOrderMark) {
  const std::string doc = "{\"version\": 3, \"files\": []}";
  const Value plain = Parse(doc);
  const Value marked = Parse("\xEF\xBB\xBF" + doc);
  ASSERT_EQ(marked.type, Type::Object);
  ASSERT_EQ(marked.members.size(), plain.members.size());
  EXPECT_EQ(marked.NumberOr("version", -1), 3);
  EXPECT_EQ(marked.members[0].first, "version");
}

TEST(JsonParse, Numbers) {
  struct Case {
    std::string text;
    double expected;
  } cases[] = {
      {"7.9", 7.9},   {"-0.5", -0.5}, {"1e300", 1e300}, {"007", 7},   {".5", 0.5},
      {"1e", 1},      {"5.", 5},      {"1E+2", 100},    {"2e-1", 0.2}, {"-12", -12},
      {"9007199254740993", 9007199254740992.0},  // beyond 2^53: nearest double
  };
  for (const Case& c : cases) {
    const Value v = Parse(c.text);
    EXPECT_EQ(v.type, Type::Number) << c.text;
    EXPECT_EQ(v.number, c.expected) << c.text;
  }
  EXPECT_TRUE(std::signbit(Parse("-0").number));
}
