// First-start relocation into the "Talvore" folder, and the update base URL from
// "launcher.cfg".
#pragma once

#include <string>

// Update base URL used when "launcher.cfg" names none: the site address + "/launcher".
extern const std::wstring kDefaultBaseUrl;

// True when an installed copy was started and this process must end at once.
bool SelfInstallIfNeeded();

// Whether a launcher in this folder stays where it is: the folder is named "Talvore" (any
// letter case) or holds the game client.
bool IsInstallFolder(const std::wstring& appDir);

// First non-empty line of appDir + "\launcher.cfg" (trailing CR/LF stripped, nothing else),
// or kDefaultBaseUrl.
std::wstring LoadBaseUrl(const std::wstring& appDir);

// The base URL from the bytes of a "launcher.cfg", or an empty string when none is given.
std::wstring BaseUrlFromConfigBytes(const std::string& bytes);
