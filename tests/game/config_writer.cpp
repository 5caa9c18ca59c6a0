// game_config_writer PATH WIDTH: reads the configuration at PATH, sets WIDTH and writes it back.
// Exit code 0 when the write succeeded, 1 when it failed, 2 on bad arguments.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game_config.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: game_config_writer PATH WIDTH\n", stderr);
    return 2;
  }
  const std::wstring path = argv[1];
  GameConfig config = ReadGameConfig(path);
  config.width = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
  const bool ok = WriteGameConfig(path, config);
  std::puts(ok ? "written" : "failed");
  return ok ? 0 : 1;
}
