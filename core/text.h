// Text and path conventions: UTF-8 bytes become wide strings here and nowhere else; paths and
// URLs are composed by plain concatenation, never normalised.
#pragma once

#include <string>

// Converts UTF-8 bytes (not NUL-terminated; embedded NULs are ordinary characters). Invalid
// sequences become U+FFFD; a byte-order mark is kept as U+FEFF.
std::wstring Utf8ToWide(const std::string& bytes);

// Folder of the running executable, without a trailing backslash ("." if the module path has
// no backslash at all).
std::wstring GetAppDirectory();

// The folder part of a Windows path, using only the backslash as separator.
std::wstring DirectoryOfPath(const std::wstring& path);
