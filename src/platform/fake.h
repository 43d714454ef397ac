// The recording fake platform for the unit tests: every call is written to Calls() with all
// its arguments, and results come from scripts the test sets up beforehand.
#ifndef CORVANE_PLATFORM_FAKE_H_
#define CORVANE_PLATFORM_FAKE_H_

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fake {

// Thrown by EndProcess, so a test sees how the process would have ended.
struct ProcessEnded {
  uint32_t code;
};

struct ShellResult {
  bool ok;
  void* process;  // what the shell puts in hProcess
  uint32_t error;
  uintptr_t inst_app = 0;  // what the shell puts in hInstApp
};

// How a wait for a started program ends.
struct WaitScript {
  int result;  // a platform::WaitResult
  uint32_t exit_code;
};

struct FindResult {
  uintptr_t code;
  std::string program;  // written into the result buffer
};

// A process that runs, as the fake's walk gives it.
struct Process {
  uint32_t id;
  uint32_t session;
  std::string name;   // its image's file name
  std::string image;  // its image's full path
};

struct ReadResult {
  std::string bytes;  // what arrives; on a failure, nothing arrives
  uint32_t error;     // 0: the read succeeds
};

struct State {
  std::vector<std::string> calls;

  // Command line: raw (Windows) unless split is set (Linux argv, index 0 the program).
  std::string raw_command_line = "corvane.exe";
  bool split = false;
  std::vector<std::string> argv;
  std::string module_file_name = "C:\\tools\\corvane.exe";

  std::deque<ShellResult> shell;  // when empty: success with a fresh process handle
  std::deque<FindResult> find;    // when empty: code 31, no association
  bool open_ok = true;
  uint32_t open_error = 2;
  std::deque<ReadResult> reads;  // when empty: success with no bytes, the end of the file
  bool close_ok = true;
  uint32_t close_error = 6;

  int output_writes_left = -1;  // writes that succeed before one fails; -1: all succeed
  uint32_t output_error = 232;

  std::deque<WaitScript> waits;  // when empty: the wait is done, the exit code 0
  bool only_open_verb = false;   // as on Linux
  std::string current_folder = "C:\\work";
  bool log_open_ok = true;
  uint32_t log_open_error = 3;
  int log_writes_left = -1;  // as output_writes_left
  uint32_t log_error = 112;
  int32_t utc_offset_minutes = 60;  // of the time every start is asked at
  bool log_is_list = false;         // the log named is the list file
  bool log_torn = false;            // the log's last line was cut short

  // %NAME% expansion: Windows' names in any letter case, unless a test asks for Linux's.
  std::map<std::string, std::string> environment;
  bool names_in_any_case = true;

  std::vector<uint32_t> final_codes = {1223, 1155, 193};  // Windows' codes no retry mends
  std::vector<Process> processes;
  uint32_t own_session = 1;
  std::set<std::string> program_files;  // documents that start as programs (Linux)
  std::set<std::string> missing_files;  // for ImagePath

  uint32_t last_error = 0;
  uintptr_t next_process = 0x100;

  // The command-line conventions: Windows' unless a test asks for the Linux port's.
  bool slash_options_need_separator = false;
  bool backslashes_escape_quotes = true;
};

// The code pages the fake converts, one byte to one character: the ANSI code page and 1252 as
// Latin-1; the OEM code page, 437 and 850 with 128 to 255 as U+2500 to U+257F, so that a test
// tells them apart; 37 with every code's bit 6 flipped, like an EBCDIC page that moves the
// control characters; 50220 as Latin-1 too, a stateful page that keeps them.
const uint32_t kCodePages[] = {0, 1, 37, 437, 850, 1252, 50220};
uint32_t FakeCodePageCharacter(uint32_t code_page, unsigned char byte);

// Fresh state: no calls, default scripts.
State& Reset();
State& Get();
const std::vector<std::string>& Calls();

// Reads that deliver content in pieces of at most chunk bytes, then the end of the file.
void ScriptFile(const std::string& content, size_t chunk);

}  // namespace fake

#endif  // CORVANE_PLATFORM_FAKE_H_
