#include "updater/update_worker.h"

#include <windows.h>

#include <memory>

#include "core/app_messages.h"
#include "core/globals.h"
#include "game/graphics_options.h"
#include "updater/content_update.h"
#include "updater/records.h"

bool g_updateOk = false;
std::wstring g_updateMessage;
bool g_updateRunning = false;

void RunUpdateThread() {
  PrepareGraphicsOptions(g_appDir);
  const updater::ProgressCallback post = [](const updater::Progress& p) {
    auto copy = std::make_unique<updater::Progress>(p);
    // A copy whose post fails never reaches the window, so it is freed here.
    if (PostMessageW(g_hwndMain, WM_UPDATE_PROGRESS, 0, reinterpret_cast<LPARAM>(copy.get())))
      copy.release();
  };
  const updater::Result result = updater::RunUpdate(g_baseUrl, g_appDir, post);
  g_updateOk = result.ok;
  g_updateMessage = result.message;
  PostMessageW(g_hwndMain, WM_UPDATE_DONE, 0, 0);
}
