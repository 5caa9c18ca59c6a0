// ShellExecuteExW, which always fails in the shim.
#pragma once

#include <windows.h>

struct SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  HANDLE hProcess;
};
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
