// Records the content update engine hands to its callers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace updater {

struct Progress {
  int32_t phase = 0;  // 0 checking, 1 signature, 2 comparing, 3 downloading, 4 done
  std::wstring text;
  int32_t fileIndex = 0;  // 1-based; 0 before the file loop
  int32_t fileCount = 0;
  uint64_t bytesReceived = 0;
  uint64_t bytesTotal = 0;  // 0 when the server announced no length
};

struct Result {
  bool ok = false;
  std::wstring message;  // empty when ok
};

// May be empty; an empty callback is never invoked. The record is valid only during the call.
using ProgressCallback = std::function<void(const Progress&)>;

}  // namespace updater
