// Stand-in for a program that corvane starts. It appends to the log named by CORVANE_PROBE_LOG
// how it was started (its raw command line, the show state it was given, when) and when it
// became ready for input, then exits on its own. Everything it is told comes from the
// environment, so its command line is exactly what the shell built.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "clock.h"

namespace {

// Hex keeps every byte of a command line (blanks, quotes, codes 128 to 255) on one log line.
std::string Hex(const char* text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    out += kDigits[*p >> 4];
    out += kDigits[*p & 15];
  }
  return out;
}

std::string Environment(const char* name) {
  char buffer[1024];
  DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

// Several probes may log at once: the file is opened without sharing, so each line is written
// whole by one of them while the others retry.
void AppendLine(const std::string& path, const std::string& line) {
  for (int attempt = 0; attempt < 2000; ++attempt) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
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
  std::string log = Environment("CORVANE_PROBE_LOG");
  if (log.empty()) return 1;

  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  char module[MAX_PATH + 1] = "";
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  DWORD pid = GetCurrentProcessId();

  char head[96];
  std::snprintf(head, sizeof head, "S %lld %lu %d ", started, pid, show);
  AppendLine(log, head + Hex(module) + " " + Hex(GetCommandLineA()) + "\n");

  // Until the message loop below runs, WaitForInputIdle on this process keeps waiting.
  int delay = std::atoi(Environment("CORVANE_PROBE_IDLE_DELAY_MS").c_str());
  if (delay > 0) Sleep(delay);

  std::snprintf(head, sizeof head, "I %lld %lu\n", NowMicroseconds(), pid);
  AppendLine(log, head);

  int linger = std::atoi(Environment("CORVANE_PROBE_LINGER_MS").c_str());
  SetTimer(nullptr, 0, linger > 0 ? linger : 200, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) break;
    DispatchMessageA(&message);
  }
  return 0;
}
