// Just enough of the Win32 API for the launcher's parsing sources to compile on Linux. The
// text conversion behaves like Windows (UTF-16 units, invalid input as U+FFFD); every file,
// process and module call fails, as if nothing existed, since the harnesses never reach them.
#pragma once

#include <locale.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>

using BOOL = int;
using BYTE = uint8_t;
using UINT = unsigned int;
using ULONG = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;
using LPCSTR = const char*;
using LPVOID = void*;
using HANDLE = void*;
using HWND = struct ShimHwnd*;
using HDC = struct ShimHdc*;
using HGDIOBJ = void*;
using HMODULE = struct ShimModule*;
using HINSTANCE = HMODULE;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define CP_UTF8 65001u
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define FILE_SHARE_DELETE 0x4u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define FILE_ATTRIBUTE_READONLY 0x1u
#define FILE_ATTRIBUTE_HIDDEN 0x2u
#define FILE_ATTRIBUTE_SYSTEM 0x4u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_ARCHIVE 0x20u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define MOVEFILE_REPLACE_EXISTING 0x1u
#define MOVEFILE_WRITE_THROUGH 0x8u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_PARAMETER 87u
#define SW_SHOWNORMAL 1

struct RECT {
  LONG left, top, right, bottom;
};
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};
struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int bytes, wchar_t* out,
                        int units);
DWORD GetLastError();
void SetLastError(DWORD error);
void Sleep(DWORD milliseconds);
DWORD GetModuleFileNameW(HMODULE module, wchar_t* buffer, DWORD size);
LPWSTR GetCommandLineW();

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
               OVERLAPPED* overlapped);
BOOL FlushFileBuffers(HANDLE file);
BOOL SetEndOfFile(HANDLE file);
BOOL CloseHandle(HANDLE handle);
BOOL FindClose(HANDLE find);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL DeleteFileW(LPCWSTR path);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
BOOL CreateDirectoryW(LPCWSTR path, SECURITY_ATTRIBUTES* security);
BOOL FreeLibrary(HMODULE module);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
BOOL DeleteObject(HGDIOBJ object);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// The CRT's wide-path fopen and the explicit-locale parsing calls.
FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
using _locale_t = locale_t;
_locale_t _create_locale(int category, const char* name);
double _strtod_l(const char* text, char** end, _locale_t locale);
