#include "app/self_update.h"

bool RunLauncherSelfUpdate(const std::wstring& /*baseUrl*/, const std::wstring& /*appDir*/,
                           long long /*builtInVersion*/) {
  return false;
}

void DeleteStaleSelfUpdateTemps(const std::wstring& /*appDir*/) {}
