#include "e2e.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

// The host paths that ctest hands over, as Wine sees them.
std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) {
    ADD_FAILURE() << name << " is not set; run the tests through ctest";
    return std::string();
  }
  std::string path = value;
  if (path[0] != '/') return path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The probe holds the log without sharing while it writes a line, so a busy log is retried.
std::string ReadLog(const std::string& path) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_SHARING_VIOLATION) return std::string();
      Sleep(10);
      continue;
    }
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
  }
  ADD_FAILURE() << path << " stayed busy";
  return std::string();
}

std::vector<ProbeStart> ParseLog(const std::string& log) {
  std::vector<ProbeStart> starts;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind, module, command;
    ProbeStart start;
    long long when = 0;
    fields >> kind >> when >> start.pid;
    if (kind == "S") {
      fields >> start.show >> module >> command;
      start.started_us = when;
      start.module = FromHex(module);
      start.command_line = FromHex(command);
      starts.push_back(start);
    } else if (kind == "I") {
      for (ProbeStart& s : starts)
        if (s.pid == start.pid && s.idle_us < 0) s.idle_us = when;
    }
  }
  return starts;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileA(child.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

}  // namespace

std::string Corvane() { return Setting("CORVANE_EXE"); }
std::string Probe() { return Setting("CORVANE_PROBE"); }
std::string ProbeAlt() { return Setting("CORVANE_PROBE_ALT"); }

std::string ShellCommandLine(const std::string& program, const std::string& parameters) {
  return "\"" + program + "\" " + parameters;
}

std::string WithoutLoaderBlank(const std::string& line) {
  if (!line.empty() && line.back() == ' ') return line.substr(0, line.size() - 1);
  return line;
}

testing::AssertionResult SameCommandLine(const std::string& actual, const std::string& expected) {
  if (WithoutLoaderBlank(actual) == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "the probe's command line\n  " << testing::PrintToString(actual) << "\nis not\n  "
         << testing::PrintToString(expected);
}

std::vector<std::string> CommandLines(const std::vector<ProbeStart>& starts) {
  std::vector<std::string> lines;
  for (const ProbeStart& start : starts) lines.push_back(start.command_line);
  return lines;
}

std::vector<std::pair<DWORD, std::string>> Processes() {
  std::vector<std::pair<DWORD, std::string>> processes;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return processes;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    processes.emplace_back(entry.th32ProcessID, entry.szExeFile);
  CloseHandle(snapshot);
  return processes;
}

void E2eTest::SetUp() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  std::replace(name.begin(), name.end(), '/', '.');
  std::string root = Setting("CORVANE_E2E_WORK");
  ASSERT_FALSE(root.empty());
  CreateDirectoryA(root.c_str(), nullptr);
  folder_ = root + "\\" + name;
  RemoveTree(folder_);
  ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
  log_ = Path("probe.log");
  SetEnvironmentVariableA("CORVANE_PROBE_LOG", log_.c_str());
  SetIdleDelay(0);
}

void E2eTest::WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(Path(name), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << Path(name);
}

void E2eTest::MakeFolder(const std::string& name) {
  ASSERT_TRUE(CreateDirectoryA(Path(name).c_str(), nullptr)) << Path(name);
}

std::vector<std::string> E2eTest::FolderEntries() const {
  std::vector<std::string> entries;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(Path("*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != ".." && name != "probe.log") entries.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(entries.begin(), entries.end());
  return entries;
}

void E2eTest::SetIdleDelay(int milliseconds) {
  SetEnvironmentVariableA("CORVANE_PROBE_IDLE_DELAY_MS", std::to_string(milliseconds).c_str());
}

CorvaneRun E2eTest::RunCorvane(const std::string& arguments, DWORD limit_ms) {
  CorvaneRun run;
  std::string program = Corvane();
  std::string line = "\"" + program + "\" " + arguments;
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  run.started_us = NowMicroseconds();
  if (!CreateProcessA(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder_.c_str(), &startup, &process)) {
    ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
    run.exit_code = 0xFFFFFFFF;
    return run;
  }
  if (WaitForSingleObject(process.hProcess, limit_ms) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 0xDEAD);
    WaitForSingleObject(process.hProcess, 5000);
    ADD_FAILURE() << "corvane " << arguments << " did not end within " << limit_ms << " ms";
  }
  run.ended_us = NowMicroseconds();
  GetExitCodeProcess(process.hProcess, &run.exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

std::vector<ProbeStart> E2eTest::Starts(size_t count, bool idle) {
  const long long give_up = NowMicroseconds() + 10000000;
  for (;;) {
    std::vector<ProbeStart> starts = ParseLog(ReadLog(log_));
    bool ready = starts.size() >= count;
    if (idle)
      for (const ProbeStart& start : starts) ready = ready && start.idle_us >= 0;
    if (ready) return starts;
    if (NowMicroseconds() > give_up) {
      ADD_FAILURE() << "waited in vain for " << count << " probe starts"
                    << (idle ? " to become idle" : "") << "; the log holds " << starts.size();
      return starts;
    }
    Sleep(20);
  }
}

}  // namespace e2e
