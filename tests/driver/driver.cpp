// Drives a running launcher from outside, as a player would: finds its window by class,
// reads the controls' texts and states, posts clicks and answers its message boxes.
//   driver find MS                 wait for the window; prints the client origin and size
//   driver text ID | enabled ID    one control's text, or 1/0
//   driver wait-text ID TEXT MS    wait until the control shows TEXT
//   driver wait-enabled ID MS      wait until the control is enabled (its text changes first)
//   driver click ID                post the control's command (refused when disabled)
//   driver close                   post WM_CLOSE
//   driver msgbox MS yes|no|ok     wait for a message box, print its text, answer it
//   driver msgbox MS peek          the same, leaving the box open (for a screenshot)
//   driver no-msgbox MS            fail when a message box appears within MS
//   driver gone MS                 wait until the window no longer exists
//   driver alive PID               1 while that process runs, else 0
// Exit code 0 on success, 1 on failure, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kClass[] = L"TalvoreLauncherWindow";

void Print(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  std::printf("%s\n", out.c_str());
  std::fflush(stdout);
}

template <typename Predicate>
bool WaitFor(Predicate predicate, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!predicate()) {
    if (GetTickCount64() > end) return false;
    Sleep(25);
  }
  return true;
}

HWND Window() { return FindWindowW(kClass, nullptr); }

std::wstring TextOf(HWND w) {
  wchar_t buf[512] = {};
  // SendMessageTimeout: a window busy in a modal loop must not hang the driver.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 3000,
                      &ignored);
  return buf;
}

struct MessageBoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchMessageBox(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<MessageBoxSearch*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  if (owner == s->pid && wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w)) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindMessageBox(DWORD pid) {
  MessageBoxSearch search{pid, nullptr};
  EnumWindows(MatchMessageBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(c, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0) text += TextOf(c);
  }
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring cmd = argv[1];
  auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
  auto num = [&](int i) { return static_cast<DWORD>(_wtoi(arg(i).c_str())); };

  if (cmd == L"alive") {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, num(2));
    const bool running = h && WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    if (h) CloseHandle(h);
    Print(running ? L"1" : L"0");
    return 0;
  }
  if (cmd == L"find") {
    if (!WaitFor([] { return Window() != nullptr && IsWindowVisible(Window()); }, num(2))) {
      Print(L"no launcher window");
      return 1;
    }
    HWND w = Window();
    RECT client;
    GetClientRect(w, &client);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    Print(std::to_wstring(origin.x) + L" " + std::to_wstring(origin.y) + L" " +
          std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom));
    return 0;
  }
  if (cmd == L"gone") return WaitFor([] { return Window() == nullptr; }, num(2)) ? 0 : 1;

  HWND w = Window();
  // A window that closed at once asked nothing: a question would have kept it open.
  if (!w && cmd == L"no-msgbox") return 0;
  if (!w) {
    Print(L"no launcher window");
    return 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (cmd == L"text" || cmd == L"enabled" || cmd == L"click" || cmd == L"wait-text" ||
      cmd == L"wait-enabled") {
    HWND control = GetDlgItem(w, static_cast<int>(num(2)));
    if (!control) {
      Print(L"no control " + arg(2));
      return 1;
    }
    if (cmd == L"text") Print(TextOf(control));
    if (cmd == L"enabled") Print(IsWindowEnabled(control) ? L"1" : L"0");
    if (cmd == L"wait-enabled") {
      const bool ok = WaitFor([&] { return IsWindowEnabled(control) != FALSE; }, num(3));
      Print(ok ? L"1" : L"0");
      return ok ? 0 : 1;
    }
    if (cmd == L"wait-text") {
      const std::wstring want = arg(3);
      const bool ok = WaitFor([&] { return TextOf(control) == want; }, num(4));
      Print(TextOf(control));
      return ok ? 0 : 1;
    }
    if (cmd == L"click") {
      if (!IsWindowEnabled(control)) {
        Print(L"disabled");
        return 1;
      }
      PostMessageW(w, WM_COMMAND, MAKEWPARAM(num(2), BN_CLICKED), reinterpret_cast<LPARAM>(control));
    }
    return 0;
  }
  if (cmd == L"close") {
    PostMessageW(w, WM_CLOSE, 0, 0);
    return 0;
  }
  if (cmd == L"msgbox") {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindMessageBox(pid)) != nullptr; }, num(2))) {
      Print(L"no message box");
      return 1;
    }
    Sleep(100);
    Print(MessageBoxText(box));
    const std::wstring answer = arg(3);
    if (answer == L"peek") return 0;
    const WPARAM id = answer == L"yes" ? IDYES : answer == L"no" ? IDNO : IDOK;
    PostMessageW(box, WM_COMMAND, id, 0);
    return 0;
  }
  if (cmd == L"no-msgbox") {
    if (WaitFor([&] { return FindMessageBox(pid) != nullptr; }, num(2))) {
      Print(L"unexpected message box: " + MessageBoxText(FindMessageBox(pid)));
      return 1;
    }
    return 0;
  }
  return 2;
}
