// Stand-in for a program that corvane starts. It appends to the log named by CORVANE_PROBE_LOG
// how it was started (its wide command line, module path and current folder as UTF-8, the
// arguments as its C runtime split that line, the show state it was given, when) and when it
// became ready for input, then exits on its own. Everything it is told
// comes from the environment, so its command line is exactly what the shell built.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clock.h"
#include "utf16.h"

namespace {

// Hex keeps every byte of a command line (blanks, quotes, line ends) on one log line.
std::string Hex(const std::string& text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// Several probes may log at once: the file is opened without sharing, so each line is written
// whole by one of them while the others retry, for as long as a minute on a busy host.
void AppendLine(const std::wstring& path, const std::string& line) {
  const long long give_up = NowMicroseconds() + 60000000;
  while (NowMicroseconds() < give_up) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      SetFilePointer(file, 0, nullptr, FILE_END);
      WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(file);
      return;
    }
    Sleep(5);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  long long started = NowMicroseconds();
  std::wstring log = Environment(L"CORVANE_PROBE_LOG");
  if (log.empty()) return 1;

  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  // Wide texts, so that characters outside the ANSI code page are logged as they arrived; a
  // copy of the probe may lie deeper than MAX_PATH.
  std::vector<wchar_t> module(32768);
  module[GetModuleFileNameW(nullptr, module.data(), 32767)] = 0;
  DWORD pid = GetCurrentProcessId();

  std::vector<wchar_t> folder(32768);
  GetCurrentDirectoryW(32767, folder.data());
  // What main's argv would hold, after the program's name, each ended by a zero byte: the way
  // most programs read the parameters they were given. The ANSI form is enough for the tests
  // that look at it.
  std::string arguments;
  for (int i = 1; i < __argc; ++i) arguments += std::string(__argv[i]) + '\0';

  char head[96];
  std::snprintf(head, sizeof head, "S %lld %lu %d ", started, pid, show);
  AppendLine(log, head + Hex(Utf8(module.data())) + " " + Hex(Utf8(GetCommandLineW())) + " " +
                      Hex(Utf8(folder.data())) + " " + Hex(arguments) + "\n");

  // Until the message loop below runs, WaitForInputIdle on this process keeps waiting.
  int delay = _wtoi(Environment(L"CORVANE_PROBE_IDLE_DELAY_MS").c_str());
  if (delay > 0) Sleep(delay);

  std::snprintf(head, sizeof head, "I %lld %lu\n", NowMicroseconds(), pid);
  AppendLine(log, head);

  int linger = _wtoi(Environment(L"CORVANE_PROBE_LINGER_MS").c_str());
  SetTimer(nullptr, 0, linger > 0 ? linger : 200, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) break;
    DispatchMessageA(&message);
  }
  return 0;
}
