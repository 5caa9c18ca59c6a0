// Entry point of a content update: the base content, then the high-definition packs the
// player has switched on.
#pragma once

#include <string>

#include "updater/records.h"

namespace updater {

// Initialises the crypto library, brings the base content up to date and, when "TexturasHD"
// or "CeuHD" is on, the enabled high-definition packs. Only the base run decides the result.
Result RunUpdate(const std::wstring& baseUrl, const std::wstring& appDir,
                 const ProgressCallback& progress);

}  // namespace updater

// Filter of the high-definition run: true when path names a file of a pack that is switched
// on in the graphics options file of appDir (read again at every call).
bool IsEnabledPackFile(const std::wstring& appDir, const std::wstring& path);
