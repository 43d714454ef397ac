#include "platform/fake.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "text/text.h"
#include "text/utf8.h"
#include "text/variables.h"

namespace fake {
namespace {

State state;

std::string Quoted(const char* text) {
  if (!text) return "null";
  return "\"" + std::string(text) + "\"";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Pointer(const void* p) {
  if (!p) return "null";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%#llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
  return buffer;
}

std::string Number(unsigned long long n) { return std::to_string(n); }

void Record(const std::string& call) { state.calls.push_back(call); }

}  // namespace

State& Reset() {
  state = State();
  return state;
}
State& Get() { return state; }
const std::vector<std::string>& Calls() { return state.calls; }

uint32_t FakeCodePageCharacter(uint32_t code_page, unsigned char byte) {
  switch (code_page) {
    case platform::kCodePageOem:
    case 437:
    case 850: return byte < 0x80 ? byte : 0x2500 + (byte - 0x80);
    case 37: return byte ^ 0x40;
    default: return byte;
  }
}

void ScriptFile(const std::string& content, size_t chunk) {
  for (size_t at = 0; at < content.size(); at += chunk)
    state.reads.push_back({content.substr(at, chunk), 0});
}

}  // namespace fake

namespace platform {

using fake::state;

const char* RawCommandLine() {
  return state.split ? nullptr : state.raw_command_line.c_str();
}

int SplitArgumentCount() { return state.argv.empty() ? 0 : int(state.argv.size()) - 1; }

const char* SplitArgument(int index) {
  return index >= 0 && size_t(index) < state.argv.size() ? state.argv[index].c_str() : "";
}

uint32_t ModuleFileName(char* buffer, uint32_t room) {
  size_t n = std::min<size_t>(state.module_file_name.size(), room);
  std::memcpy(buffer, state.module_file_name.data(), n);
  if (n < room) buffer[n] = 0;
  return uint32_t(n);
}

void ShowMessage(const char* text, const char* caption, uint32_t style) {
  fake::Record("MessageBox(" + fake::Quoted(text) + ", " + fake::Quoted(caption) + ", " +
               fake::Number(style) + ")");
}

bool WriteOutputLine(const char* text, size_t length) {
  fake::Record("Output(" + fake::Quoted(std::string(text, length)) + ")");
  if (state.output_writes_left < 0 || state.output_writes_left-- > 0) return true;
  state.last_error = state.output_error;
  return false;
}

bool FinishOutput(const char* box_caption, const char* box_last_line) {
  fake::Record("FinishOutput(" + fake::Quoted(box_caption) + ", " + fake::Quoted(box_last_line) +
               ")");
  return true;
}

void WriteDiagnostic(const char* line) { fake::Record("Diagnostic(" + fake::Quoted(line) + ")"); }

void PrepareShell(uint32_t flags) {
  fake::Record("CoInitializeEx(null, " + fake::Number(flags) + ")");
}

bool ShellExecuteRequest(ShellExecuteRecord* r) {
  fake::Record("ShellExecute(cbSize=" + fake::Number(r->cbSize) +
               " fMask=" + fake::Number(r->fMask) + " hwnd=" + fake::Pointer(r->hwnd) +
               " lpVerb=" + fake::Quoted(r->lpVerb) + " lpFile=" + fake::Quoted(r->lpFile) +
               " lpParameters=" + fake::Quoted(r->lpParameters) +
               " lpDirectory=" + fake::Quoted(r->lpDirectory) +
               " nShow=" + fake::Number(r->nShow) + " hInstApp=" + fake::Pointer(r->hInstApp) +
               " lpIDList=" + fake::Pointer(r->lpIDList) + " lpClass=" + fake::Quoted(r->lpClass) +
               " hkeyClass=" + fake::Pointer(r->hkeyClass) +
               " dwHotKey=" + fake::Number(r->dwHotKey) + " hIcon=" + fake::Pointer(r->hIcon) +
               " hProcess=" + fake::Pointer(r->hProcess) + ")");
  fake::ShellResult result{true, reinterpret_cast<void*>(state.next_process), 0};
  if (state.shell.empty()) {
    state.next_process += 4;
  } else {
    result = state.shell.front();
    state.shell.pop_front();
  }
  r->hInstApp = reinterpret_cast<void*>(result.inst_app);
  if (!result.ok) {
    state.last_error = result.error;
    return false;
  }
  r->hProcess = result.process;
  return true;
}

namespace {
WaitResult ScriptedWait(uint32_t* exit_code) {
  fake::WaitScript script{static_cast<int>(WaitResult::kDone), 0};
  if (!state.waits.empty()) {
    script = state.waits.front();
    state.waits.pop_front();
  }
  if (exit_code) *exit_code = script.exit_code;
  return static_cast<WaitResult>(script.result);
}
}  // namespace

WaitResult WaitUntilInputIdle(void* process, uint32_t milliseconds) {
  fake::Record("WaitForInputIdle(" + fake::Pointer(process) + ", " + fake::Number(milliseconds) +
               ")");
  return ScriptedWait(nullptr);
}

WaitResult WaitUntilEnded(void* process, uint32_t milliseconds, uint32_t* exit_code) {
  fake::Record("WaitForSingleObject(" + fake::Pointer(process) + ", " +
               fake::Number(milliseconds) + ")");
  return ScriptedWait(exit_code);
}

void KeepExitCodes() { fake::Record("KeepExitCodes()"); }

// A made-up process id that tells the starts apart.
uint32_t ProcessId(void* process) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process));
}

bool VerbKnown(const char* verb) {
  if (!state.only_open_verb || !*verb) return true;
  std::string lower(verb);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "open";
}

// Two lines with a tab and trailing blanks, as FormatMessageW's texts end in ".\r\n".
size_t ErrorMessage(uint32_t code, char* out, size_t room) {
  std::string message = "Error\t" + fake::Number(code) + ".\r\nSecond line.\r\n";
  if (message.size() <= room) std::memcpy(out, message.data(), message.size());
  return message.size();
}

void Pause(uint32_t milliseconds) { fake::Record("Sleep(" + fake::Number(milliseconds) + ")"); }

// 2026-12-09T07:45:02.120, ahead of UTC as the test says.
LocalTime LocalTimeNow() { return {2026, 12, 9, 7, 45, 2, 120, state.utc_offset_minutes}; }

size_t FullPath(const char* path, char* out, size_t room) {
  std::string full = state.current_folder + "\\" + path;
  if (full.size() <= room) std::memcpy(out, full.data(), full.size());
  return full.size();
}

bool ExpandVariables(const char* text, char* out, size_t room, size_t* needed) {
  fake::Record("ExpandEnvironmentStrings(" + fake::Quoted(text) + ")");
  Text expanded;
  const bool ok = ExpandPercentNames(TextFromZeroTerminated(text), [](const char* name) {
    for (const auto& variable : state.environment) {
      std::string a = variable.first, b = name;
      if (state.names_in_any_case) {
        for (char& c : a) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (char& c : b) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      if (a == b) return variable.second.c_str();
    }
    return static_cast<const char*>(nullptr);
  }, 1 << 20, &expanded);
  *needed = expanded.Length();
  if (*needed <= room) std::memcpy(out, expanded.Bytes(), *needed);
  return ok;
}

bool FailureIsFinal(uint32_t code) {
  return std::count(state.final_codes.begin(), state.final_codes.end(), code) > 0;
}

bool NextProcess(void** walk, uint32_t* process_id, char* name, size_t room) {
  // The walk is the index of the next process, plus one so that the first call starts it.
  uintptr_t next = reinterpret_cast<uintptr_t>(*walk);
  if (next == 0) fake::Record("Processes()");
  if (next == 0) next = 1;
  if (next > state.processes.size()) {
    *walk = nullptr;
    return false;
  }
  const fake::Process& process = state.processes[next - 1];
  *walk = reinterpret_cast<void*>(next + 1);
  *process_id = process.id;
  const bool fits = process.name.size() < room;
  std::memcpy(name, process.name.c_str(), fits ? process.name.size() + 1 : 1);
  if (!fits) name[0] = 0;
  return true;
}

uint32_t ProcessSession(uint32_t process_id) {
  for (const fake::Process& process : state.processes)
    if (process.id == process_id) return process.session;
  return ~0u;
}

uint32_t OwnSession() { return state.own_session; }

size_t ProcessImage(uint32_t process_id, char* out, size_t room) {
  fake::Record("ProcessImage(" + fake::Number(process_id) + ")");
  for (const fake::Process& process : state.processes) {
    if (process.id != process_id) continue;
    if (process.image.size() <= room) std::memcpy(out, process.image.data(), process.image.size());
    return process.image.size();
  }
  return 0;
}

size_t ImagePath(const char* path, char* out, size_t room) {
  fake::Record("ImagePath(" + fake::Quoted(path) + ")");
  std::string full = path;
  const bool rooted = full[0] == '\\' || (full.size() > 1 && full[1] == ':');
  if (!rooted) full = state.current_folder + "\\" + full;
  if (state.missing_files.count(full)) return 0;
  if (full.size() <= room) std::memcpy(out, full.data(), full.size());
  return full.size();
}

bool SameFileName(const char* a, const char* b) {
  if (!state.names_in_any_case) return std::strcmp(a, b) == 0;
  for (; *a && *b; ++a, ++b)
    if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

bool StartsAsProgram(const char* file, const char*) { return state.program_files.count(file) > 0; }

void CloseProcessHandle(void* process) {
  fake::Record("CloseHandle(" + fake::Pointer(process) + ")");
}

uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result) {
  bool cleared = true;
  for (uint32_t i = 0; i < kPathRoom; ++i) cleared = cleared && result[i] == 0;
  fake::Record("FindExecutable(" + fake::Quoted(file) + ", " + fake::Quoted(directory) +
               (cleared ? ", cleared)" : ", dirty)"));
  fake::FindResult found{31, ""};
  if (!state.find.empty()) {
    found = state.find.front();
    state.find.pop_front();
  }
  std::memcpy(result, found.program.data(), std::min<size_t>(found.program.size(), kPathRoom));
  return found.code;
}

bool CodePageKnown(uint32_t code_page) {
  for (uint32_t known : fake::kCodePages)
    if (known == code_page) return true;
  return false;
}

size_t CodePageToUtf8(uint32_t code_page, const char* bytes, size_t length, char* out,
                      size_t room) {
  std::string converted;
  for (size_t i = 0; i < length; ++i) {
    uint32_t code = fake::FakeCodePageCharacter(code_page, static_cast<unsigned char>(bytes[i]));
    char utf8[4];
    converted.append(utf8, EncodeUtf8(code, utf8));
  }
  if (converted.size() <= room) std::memcpy(out, converted.data(), converted.size());
  return converted.size();
}

bool OpenForReading(const char* path, void** file) {
  fake::Record("CreateFile(" + fake::Quoted(path) + ")");
  *file = reinterpret_cast<void*>(uintptr_t(0xF11E));
  if (state.open_ok) return true;
  state.last_error = state.open_error;
  *file = reinterpret_cast<void*>(~uintptr_t(0));
  return false;
}

bool ReadBytes(void* file, char* buffer, uint32_t room, uint32_t* count) {
  fake::Record("ReadFile(" + fake::Pointer(file) + ", " + fake::Number(room) + ")");
  *count = 0;
  if (state.reads.empty()) return true;
  fake::ReadResult read = state.reads.front();
  state.reads.pop_front();
  if (read.error) {
    state.last_error = read.error;
    return false;
  }
  *count = uint32_t(std::min<size_t>(read.bytes.size(), room));
  std::memcpy(buffer, read.bytes.data(), *count);
  return true;
}

bool CloseFile(void* file) {
  fake::Record("CloseHandle(" + fake::Pointer(file) + ")");
  if (state.close_ok) return true;
  state.last_error = state.close_error;
  return false;
}

bool OpenForAppending(const char* path, void** file) {
  fake::Record("CreateFile(" + fake::Quoted(path) + ", append)");
  *file = reinterpret_cast<void*>(uintptr_t(0x106));
  if (state.log_open_ok) return true;
  state.last_error = state.log_open_error;
  return false;
}

bool EndsWithLineEnd(const char* path) {
  fake::Record("EndsWithLineEnd(" + fake::Quoted(path) + ")");
  return !state.log_torn;
}

bool IsSameFile(void* file, const char* path) {
  fake::Record("IsSameFile(" + fake::Pointer(file) + ", " + fake::Quoted(path) + ")");
  return state.log_is_list;
}

bool AppendLine(void* file, const char* text, size_t length) {
  fake::Record("AppendLine(" + fake::Pointer(file) + ", " + fake::Quoted(std::string(text, length)) +
               ")");
  if (state.log_writes_left < 0 || state.log_writes_left-- > 0) return true;
  state.last_error = state.log_error;
  return false;
}

uint32_t LastErrorCode() { return state.last_error; }

bool SlashOptionsNeedSeparator() { return state.slash_options_need_separator; }
bool BackslashesEscapeQuotes() { return state.backslashes_escape_quotes; }

void EndProcess(uint32_t code) {
  fake::Record("ExitProcess(" + fake::Number(code) + ")");
  throw fake::ProcessEnded{code};
}

namespace {

// Text running out of memory is recorded and thrown like any other end of the process.
struct OutOfMemoryHandler {
  OutOfMemoryHandler() { SetOutOfMemoryHandler(EndProcess); }
} out_of_memory_handler;

}  // namespace

}  // namespace platform
