// The one WinHTTP name core/handles.h needs.
#pragma once

#include <windows.h>

using HINTERNET = void*;
BOOL WinHttpCloseHandle(HINTERNET handle);
