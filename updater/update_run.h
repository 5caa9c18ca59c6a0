// One update run against one signed manifest under the update base URL.
#pragma once

#include <functional>
#include <string>

#include "updater/records.h"

namespace updater {

// Decides which manifest entries (backslash paths) take part in a run; may be empty.
using PathFilter = std::function<bool(const std::wstring&)>;

// Downloads manifestName + ".json" and ".sig", verifies the signature, refuses a version older
// than the one recorded in stateFileName, brings every entry that passes the filter in line
// with its hash and then records the version. The first failure ends the run.
Result RunManifest(const std::wstring& baseUrl, const std::wstring& appDir,
                   const wchar_t* manifestName, const wchar_t* stateFileName,
                   const PathFilter& filter, const ProgressCallback& progress);

}  // namespace updater

// Creates every missing ancestor folder of a file path; backslash is the only separator.
void CreateParentDirectories(const std::wstring& filePath);
