#include "e2e.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "utf16_bytes.h"

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

// A full path as the wide calls take it at any length.
std::wstring LongPath(const std::string& path) { return L"\\\\?\\" + Wide(path); }

// How long a wait may see no progress before it fails: a slow host gets there, a hang does not.
const long long kQuietLimitUs = 60000000;

// The size of a file, -1 when there is none; read without opening it, so never busy.
long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The probe holds the log without sharing while it writes a line, so a busy log is retried.
std::string ReadLog(const std::string& path) {
  const long long give_up = NowMicroseconds() + kQuietLimitUs;
  while (NowMicroseconds() < give_up) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
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
  ADD_FAILURE() << path << " stayed busy for " << kQuietLimitUs / 1000000 << " s";
  return std::string();
}

std::vector<ProbeStart> ParseLog(const std::string& log) {
  std::vector<ProbeStart> starts;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind, module, command, folder, arguments;
    ProbeStart start;
    long long when = 0;
    fields >> kind >> when >> start.pid;
    if (kind == "S") {
      fields >> start.show >> module >> command >> folder >> arguments;
      start.started_us = when;
      start.module = FromHex(module);
      start.command_line = FromHex(command);
      start.folder = FromHex(folder);
      std::istringstream split(FromHex(arguments));
      for (std::string argument; std::getline(split, argument, '\0');)
        start.arguments.push_back(argument);
      starts.push_back(start);
    } else if (kind == "I") {
      for (ProbeStart& s : starts)
        if (s.pid == start.pid && s.idle_us < 0) s.idle_us = when;
    }
  }
  return starts;
}

// The names in a folder, "." and ".." left out.
std::vector<std::pair<std::string, bool>> Listing(const std::string& folder) {
  std::vector<std::pair<std::string, bool>> entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(LongPath(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  do {
    std::string name = Utf8(found.cFileName);
    if (name != "." && name != "..")
      entries.emplace_back(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

void RemoveTree(const std::string& path) {
  for (const auto& entry : Listing(path)) {
    std::string child = path + "\\" + entry.first;
    if (entry.second)
      RemoveTree(child);
    else
      DeleteFileW(LongPath(child).c_str());
  }
  RemoveDirectoryW(LongPath(path).c_str());
}

}  // namespace

std::string Corvane() { return Setting("CORVANE_EXE"); }
std::string Probe() { return Setting("CORVANE_PROBE"); }
std::string ProbeAlt() { return Setting("CORVANE_PROBE_ALT"); }

std::string ShellCommandLine(const std::string& program, const std::string& parameters) {
  return "\"" + program + "\" " + parameters;
}

std::string Fill(const std::string& pattern, const std::string& text) {
  std::string filled = pattern;
  const size_t at = filled.find("%s");
  if (at != std::string::npos) filled.replace(at, 2, text);
  return filled;
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

// wchar_t is a UTF-16 unit on Windows.
std::string Utf16Le(const std::string& text) {
  const std::wstring wide = Wide(text);
  return Utf16Bytes(std::u16string(wide.begin(), wide.end()));
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
  CreateDirectoryW(Wide(root).c_str(), nullptr);
  folder_ = root + "\\" + name;
  RemoveTree(folder_);
  ASSERT_TRUE(CreateDirectoryW(Wide(folder_).c_str(), nullptr)) << folder_;
  log_ = Path("probe.log");
  SetEnvironmentVariableW(L"CORVANE_PROBE_LOG", Wide(log_).c_str());
  SetIdleDelay(0);
}

void E2eTest::WriteFile(const std::string& name, const std::string& bytes) {
  HANDLE file = CreateFileW(LongPath(Path(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << Path(name) << ": error " << GetLastError();
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == bytes.size()) << Path(name);
}

void E2eTest::MakeFolder(const std::string& name) {
  ASSERT_TRUE(CreateDirectoryW(LongPath(Path(name)).c_str(), nullptr)) << Path(name);
}

std::string E2eTest::CopyProbe(const std::string& name) {
  std::string path = Path(name);
  EXPECT_TRUE(CopyFileW(Wide(Probe()).c_str(), LongPath(path).c_str(), FALSE)) << path;
  return path;
}

std::vector<std::string> E2eTest::FolderEntries() const {
  std::vector<std::string> entries;
  for (const auto& entry : Listing(folder_))
    if (entry.first != "probe.log") entries.push_back(entry.first);
  std::sort(entries.begin(), entries.end());
  return entries;
}

void E2eTest::SetIdleDelay(int milliseconds) {
  SetEnvironmentVariableA("CORVANE_PROBE_IDLE_DELAY_MS", std::to_string(milliseconds).c_str());
}

CorvaneRun E2eTest::RunCorvane(const std::string& arguments, DWORD limit_ms,
                               const std::string& output) {
  CorvaneRun run;
  std::string program = Corvane();
  std::wstring line = Wide("\"" + program + "\" " + arguments);
  line.push_back(L'\0');  // CreateProcessW may write to the line
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  HANDLE out = INVALID_HANDLE_VALUE;
  if (!output.empty()) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    out = CreateFileW(LongPath(Path(output)).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, out) << output;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
  }
  PROCESS_INFORMATION process = {};
  run.started_us = NowMicroseconds();
  const BOOL started =
      CreateProcessW(Wide(program).c_str(), &line[0], nullptr, nullptr, !output.empty(), 0,
                     nullptr, Wide(folder_).c_str(), &startup, &process);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (!started) {
    ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
    run.exit_code = 0xFFFFFFFF;
    return run;
  }
  // Progress is the probe's log or the output growing.
  auto progress = [&] { return FileSize(log_) + (output.empty() ? 0 : FileSize(Path(output))); };
  long long seen = progress();
  long long quiet_since = NowMicroseconds();
  while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
    if (progress() != seen) {
      seen = progress();
      quiet_since = NowMicroseconds();
    } else if (NowMicroseconds() - quiet_since > limit_ms * 1000LL) {
      TerminateProcess(process.hProcess, 0xDEAD);
      WaitForSingleObject(process.hProcess, 5000);
      ADD_FAILURE() << "corvane " << arguments << " did not end and made no progress for "
                    << limit_ms << " ms";
      break;
    }
  }
  run.ended_us = NowMicroseconds();
  GetExitCodeProcess(process.hProcess, &run.exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

std::string E2eTest::FileBytes(const std::string& name) const { return ReadLog(Path(name)); }

std::vector<ProbeStart> E2eTest::Starts(size_t count, bool idle) {
  long long seen = FileSize(log_);
  long long quiet_since = NowMicroseconds();
  for (;;) {
    std::vector<ProbeStart> starts = ParseLog(ReadLog(log_));
    bool ready = starts.size() >= count;
    if (idle)
      for (const ProbeStart& start : starts) ready = ready && start.idle_us >= 0;
    if (ready) return starts;
    if (FileSize(log_) != seen) {
      seen = FileSize(log_);
      quiet_since = NowMicroseconds();
    } else if (NowMicroseconds() - quiet_since > kQuietLimitUs) {
      ADD_FAILURE() << "waited in vain for " << count << " probe starts"
                    << (idle ? " to become idle" : "") << "; the log holds " << starts.size()
                    << " and has not grown for " << kQuietLimitUs / 1000000 << " s";
      return starts;
    }
    Sleep(20);
  }
}

}  // namespace e2e
