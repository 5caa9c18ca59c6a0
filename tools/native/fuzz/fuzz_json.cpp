// Feeds arbitrary bytes to the JSON reader and walks the result the way the manifest, state
// file and news feed readers do. Only the reader's documented exceptions may escape Parse.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "core/json.h"
#include "updater/version_number.h"

namespace {

uint64_t Walk(const jsonmin::Value& v, int depth) {
  if (depth > jsonmin::kMaxDepth + 1) std::abort();  // the nesting bound did not hold
  uint64_t sink = 0;  // unsigned: the sum only keeps the work from being optimised away
  switch (v.type) {
    case jsonmin::Type::Number:
      sink += static_cast<uint64_t>(updater::TruncateToInt64(v.number));
      break;
    case jsonmin::Type::Array:
      for (const jsonmin::Value& item : v.items) sink += Walk(item, depth + 1);
      break;
    case jsonmin::Type::Object: {
      for (const auto& member : v.members) sink += Walk(member.second, depth + 1);
      for (const char* key : {"version", "files", "path", "size", "sha256", "url", "items",
                              "title", "applied_version", "applied_launcher_version"}) {
        const jsonmin::Value* found = v.Find(key);
        if (found) {
          // With duplicate keys the first occurrence must win.
          for (const auto& member : v.members) {
            if (member.first == key) {
              if (&member.second != found) std::abort();
              break;
            }
          }
        }
        sink += static_cast<uint64_t>(updater::TruncateToInt64(v.NumberOr(key, -1.0)));
        sink += v.StringOr(key, "").size();
      }
      break;
    }
    default:
      break;
  }
  return sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const jsonmin::Value root = jsonmin::Parse(text);
    Walk(root, 1);
  } catch (const jsonmin::ParseError&) {
  } catch (const std::invalid_argument&) {
  } catch (const std::out_of_range&) {
  }
  return 0;
}
