// Message-box helper for the usage-box test, run under Xvfb:
//   box show <caption> <text> <style>
//     shows a reference MessageBoxA with that style
//   box run <caption> <report> <go> <command line>
//     runs the command line on a desktop of its own, waits for a box with that caption, writes
//     its text, buttons and X window id to <report>, waits for the file <go> to appear, presses
//     OK, waits for the program to end and writes its exit code to <report>.exit
// Its own exit code is 0 when all went as asked. The own desktop matters: Wine draws a desktop
// with the display driver of the process that opened it, and a desktop opened by an earlier
// test without a display would show no box at all.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Each wait is for one step (the box appears, the picture is taken, the program ends), so this
// bounds the time without progress; wine-run's own bound is longer, so this one reports first.
const DWORD kBoxTimeoutMs = 120000;

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[8192] = "";  // a preview box holds 30 lines
  GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND WaitForBox(const char* caption) {
  for (DWORD waited = 0; waited < kBoxTimeoutMs; waited += 50) {
    HWND box = FindWindowA("#32770", caption);
    if (box && IsWindowVisible(box)) return box;
    Sleep(50);
  }
  return nullptr;
}

struct Report {
  std::string text;
  std::string buttons;
  int button_count = 0;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  Report* report = reinterpret_cast<Report*>(param);
  std::string kind = ClassOf(child);
  std::string text = TextOf(child);
  if (lstrcmpiA(kind.c_str(), "Button") == 0 && IsWindowVisible(child)) {
    char item[300];
    std::snprintf(item, sizeof item, "%s%d:%s", report->button_count ? "," : "",
                  GetDlgCtrlID(child), text.c_str());
    report->buttons += item;
    ++report->button_count;
  } else if (lstrcmpiA(kind.c_str(), "Static") == 0 && !text.empty()) {
    // One report line: a line end of the text is written as \n.
    for (char c : text) report->text += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return TRUE;
}

// Written under another name first, so that a reader never sees half of it.
bool WriteWhole(const std::string& path, const std::string& text) {
  std::string partial = path + ".partial";
  FILE* out = std::fopen(partial.c_str(), "wb");
  if (!out) return false;
  std::fputs(text.c_str(), out);
  std::fclose(out);
  return MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

int Run(const char* caption, const std::string& report_path, const char* go_path,
        const char* command_line) {
  char desktop_name[64];
  std::snprintf(desktop_name, sizeof desktop_name, "corvane-box-%lu", GetCurrentProcessId());
  HDESK desktop = CreateDesktopA(desktop_name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desktop || !SetThreadDesktop(desktop)) return 10;

  std::string line = command_line;
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktop_name;
  // No standard handles, as a program started from Explorer or a shortcut has none.
  startup.dwFlags = STARTF_USESTDHANDLES;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return 11;

  HWND box = WaitForBox(caption);
  if (!box) return 12;
  // Let the box finish painting before anyone takes its picture.
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);

  Report report;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&report));
  char xid[32];
  std::snprintf(xid, sizeof xid, "0x%lx",
                static_cast<unsigned long>(
                    reinterpret_cast<ULONG_PTR>(GetPropA(box, "__wine_x11_whole_window"))));
  if (!WriteWhole(report_path,
                  "text=" + report.text + "\nbuttons=" + report.buttons + "\nxid=" + xid + "\n"))
    return 13;

  for (DWORD waited = 0; GetFileAttributesA(go_path) == INVALID_FILE_ATTRIBUTES; waited += 50) {
    if (waited >= kBoxTimeoutMs) return 14;
    Sleep(50);
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  if (WaitForSingleObject(process.hProcess, kBoxTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 0xDEAD);
    return 15;
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return WriteWhole(report_path + ".exit", std::to_string(exit_code) + "\n") ? 0 : 16;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "show" && argc == 5) {
    MessageBoxA(nullptr, argv[3], argv[2], std::strtoul(argv[4], nullptr, 0));
    return 0;
  }
  if (mode == "run" && argc == 6) return Run(argv[2], argv[3], argv[4], argv[5]);
  std::fprintf(
      stderr, "usage: box show <caption> <text> <style> | run <caption> <report> <go> <command>\n");
  return 1;
}
