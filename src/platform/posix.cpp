// The Linux port. Arguments come from argv as the invoking shell split them; programs are
// started with posix_spawnp, never through a shell; documents and their applications are
// posix_desktop.cpp's, code pages posix_code_pages.cpp's. Linux has no input-idle, so the wait
// returns at once.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix.h"
#include "text/command_text.h"
#include "text/text.h"
#include "text/utf8.h"
#include "text/variables.h"

extern char** environ;

namespace platform {
namespace {

int argument_count = 0;
char** arguments = nullptr;
uint32_t last_error = 0;
bool keeping_exit_codes = false;

[[noreturn]] void OutOfMemory() { EndProcess(kOutOfMemoryExitCode); }

// glibc hands argc and argv to the initialisers of the main program, so the entry point
// needs to pass nothing along.
void Start(int argc, char** argv, char**) {
  argument_count = argc;
  arguments = argv;
  std::set_new_handler(OutOfMemory);
  SetOutOfMemoryHandler(EndProcess);
  // Started without standard output or error, corvane's own error lines would go to whatever it
  // opens next (the run log); without standard input, a list could become a child's.
  for (int descriptor = 0; descriptor <= 2; ++descriptor)
    if (fcntl(descriptor, F_GETFD) < 0 && errno == EBADF)
      open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
  // Started programs are never waited for; with SIGCHLD ignored the kernel reaps them at
  // once, so none is ever a zombie. A preview whose reader has gone gets EPIPE from its write,
  // and a log past the file-size limit EFBIG, each ending with a code of its own rather than
  // a signal. Each child gets the defaults back (see Spawn).
  signal(SIGCHLD, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}
__attribute__((section(".init_array"), used)) void (*start)(int, char**, char**) = Start;

// An entry may hold line feeds and other control bytes; the report stays one line.
std::string Printable(const std::string& text) {
  std::string shown = text;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  return shown;
}

// One line on stderr: Linux's stand-in for the shell's own error box.
void ReportFailure(const char* doing, const std::string& subject, const char* why) {
  fprintf(stderr, "corvane: cannot %s %s: %s\n", doing, Printable(subject).c_str(), why);
}

// One pair of double quotes around the whole text goes; the shell would drop it too.
std::string Unquoted(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    return text.substr(1, text.size() - 2);
  return text;
}

// Programs whose end was waited for in vain are reaped once they are done, so that none stays a
// zombie through a pause or the rest of the run.
void ReapEnded() {
  if (keeping_exit_codes)
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

}  // namespace

namespace posix {

// The Windows codes corvane documents as exit codes, so scripts read the same code on both
// systems. A failure Windows has no code for keeps its errno value; none of those reaches
// the documented 2, 3, 5 or 32.
uint32_t CodeOf(int error) {
  switch (error) {
    case ENOENT: return 2;  // ERROR_FILE_NOT_FOUND
    case ENOTDIR:
    case ELOOP: return 3;  // ERROR_PATH_NOT_FOUND
    case EACCES:
    case EPERM:
    case EISDIR: return 5;  // ERROR_ACCESS_DENIED
    case EMFILE:
    case ENFILE: return 4;          // ERROR_TOO_MANY_OPEN_FILES
    case ENOMEM: return 8;          // ERROR_NOT_ENOUGH_MEMORY
    case EIO: return 30;            // ERROR_READ_FAULT
    case EPIPE: return 232;         // ERROR_NO_DATA: the reader of a pipe has gone
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ENOSPC: return 112;        // ERROR_DISK_FULL
    default: return static_cast<uint32_t>(error);
  }
}

void ChildDefaults(sigset_t* defaults) {
  sigemptyset(defaults);
  sigaddset(defaults, SIGCHLD);
  sigaddset(defaults, SIGPIPE);
  sigaddset(defaults, SIGXFSZ);
}

void SetLastErrorCode(uint32_t code) { last_error = code; }

std::string InFolder(const char* path, const char* folder) {
  if (!folder || !*folder || *path == '/') return path;
  return std::string(folder) + "/" + path;
}

bool IsExecutableFile(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

bool IsDesktopEntry(const std::string& path) {
  return path.size() >= 8 && path.compare(path.size() - 8, 8, ".desktop") == 0;
}

// The child sees only the standard descriptors, as a program the shell starts inherits no
// handles, and gets back the signal defaults that corvane itself gave up.
bool Spawn(const std::vector<std::string>& words, const char* folder, bool quiet, void** process,
           int* error) {
  ReapEnded();
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (ListOnStandardInput())
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // A folder that cannot be entered fails the start, as it would on Windows.
  if (folder) posix_spawn_file_actions_addchdir_np(&actions, folder);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  ChildDefaults(&defaults);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  *error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (*error != 0) return false;
  *process = reinterpret_cast<void*>(static_cast<intptr_t>(pid));
  return true;
}

bool StartFailed(const ShellExecuteRecord* record, int code, const char* doing,
                 const std::string& subject, const char* why) {
  last_error = static_cast<uint32_t>(code);
  if (!(record->fMask & kSeeMaskFlagNoUi)) ReportFailure(doing, subject, why);
  return false;
}

}  // namespace posix

const char* RawCommandLine() { return nullptr; }
int SplitArgumentCount() { return argument_count > 0 ? argument_count - 1 : 0; }
const char* SplitArgument(int index) {
  return index >= 0 && index < argument_count && arguments[index] ? arguments[index] : "";
}

uint32_t ModuleFileName(char* buffer, uint32_t room) {
  if (room == 0) return 0;
  ssize_t length = readlink("/proc/self/exe", buffer, room);
  if (length <= 0) return 0;
  length = static_cast<ssize_t>(Utf8Cut(buffer, static_cast<size_t>(length), room - 1));
  buffer[length] = 0;
  return static_cast<uint32_t>(length);
}

void ShowMessage(const char* text, const char*, uint32_t) { fprintf(stderr, "%s\n", text); }

void WriteDiagnostic(const char* line) { fprintf(stderr, "%s\n", Printable(line).c_str()); }

// Buffered: a long preview costs a write per buffer, not per line. A failure shows at the
// write that flushes, and the rest is not written.
bool WriteOutputLine(const char* text, size_t length) {
  if (fwrite(text, 1, length, stdout) == length && putc('\n', stdout) != EOF) return true;
  last_error = posix::CodeOf(errno);
  return false;
}

bool FinishOutput(const char*, const char*) {
  if (fflush(stdout) == 0) return true;
  last_error = posix::CodeOf(errno);
  return false;
}

void PrepareShell(uint32_t) {}

bool ShellExecuteRequest(ShellExecuteRecord* record) {
  // What a lookup found goes with the start that follows it, and with no other.
  std::vector<std::string> own_words = posix::TakeLookedUp();
  if (!record->lpParameters) return posix::OpenDocument(record, Unquoted(record->lpFile));
  std::vector<std::string> words = {Unquoted(record->lpFile)};
  if (!own_words.empty() && own_words[0] == words[0])
    words.insert(words.end(), own_words.begin() + 1, own_words.end());
  // The same splitting corvane applies to its own command line; no shell ever sees it.
  // Unbounded, as a Windows program gets its command line whole.
  size_t position = 0;
  for (;;) {
    Text word = NextArgument(record->lpParameters, &position, SIZE_MAX);
    if (word.Empty()) break;
    words.emplace_back(word.Bytes(), word.Length());
  }
  if (words[0].empty())
    return posix::StartFailed(record, ENOENT, "start", "a program without a name",
                              strerror(ENOENT));
  int error = 0;
  if (posix::Spawn(words, record->lpDirectory, false, &record->hProcess, &error)) return true;
  return posix::StartFailed(record, error, "start", words[0], strerror(error));
}

// Linux has no input-idle: the wait is over at once.
WaitResult WaitUntilInputIdle(void*, uint32_t) { return WaitResult::kDone; }

WaitResult WaitUntilEnded(void* process, uint32_t milliseconds, uint32_t* exit_code) {
  const pid_t pid = static_cast<pid_t>(reinterpret_cast<intptr_t>(process));
  int status = 0;
  pid_t ended;
  if (milliseconds == kInfinite) {
    do ended = waitpid(pid, &status, 0);
    while (ended < 0 && errno == EINTR);
  } else {
    // A descriptor that becomes readable when the child ends, so the bound needs no polling.
    timespec now, deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += (milliseconds % 1000) * 1000000L;
    const int watch = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    for (;;) {
      ended = waitpid(pid, &status, WNOHANG);
      clock_gettime(CLOCK_MONOTONIC, &now);
      long long left = (deadline.tv_sec - now.tv_sec) * 1000LL +
                       (deadline.tv_nsec - now.tv_nsec) / 1000000L;
      if (ended != 0 || left <= 0) break;
      if (watch >= 0) {
        pollfd ready = {watch, POLLIN, 0};
        poll(&ready, 1, static_cast<int>(left));
      } else {
        timespec pause = {0, (left < 10 ? left : 10) * 1000000L};  // an old kernel: look often
        nanosleep(&pause, nullptr);
      }
    }
    if (watch >= 0) close(watch);
    if (ended == 0) return WaitResult::kTimedOut;
  }
  if (ended < 0) return WaitResult::kFailed;
  // A program killed by a signal ends as a shell reports it: 128 and the signal's number.
  *exit_code = static_cast<uint32_t>(WIFEXITED(status) ? WEXITSTATUS(status)
                                                       : 128 + WTERMSIG(status));
  return WaitResult::kDone;
}

void KeepExitCodes() {
  keeping_exit_codes = true;
  signal(SIGCHLD, SIG_DFL);
}

uint32_t ProcessId(void* process) {
  return static_cast<uint32_t>(reinterpret_cast<intptr_t>(process));
}

// xdg-open and the default applications know one verb.
bool VerbKnown(const char* verb) { return !*verb || strcasecmp(verb, "open") == 0; }

size_t ErrorMessage(uint32_t code, char* out, size_t room) {
  const char* message = code == posix::kNoAssociationError ? posix::kNoAssociationMessage
                                                           : strerror(static_cast<int>(code));
  const size_t length = strlen(message);
  if (length <= room) memcpy(out, message, length);
  return length;
}

bool FailureIsFinal(uint32_t code) { return code == posix::kNoAssociationError || code == ENOEXEC; }

void Pause(uint32_t milliseconds) {
  ReapEnded();
  timespec left = {static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

LocalTime LocalTimeNow() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm local;
  localtime_r(&now.tv_sec, &local);
  return {static_cast<uint32_t>(local.tm_year + 1900), static_cast<uint32_t>(local.tm_mon + 1),
          static_cast<uint32_t>(local.tm_mday),        static_cast<uint32_t>(local.tm_hour),
          static_cast<uint32_t>(local.tm_min),         static_cast<uint32_t>(local.tm_sec),
          static_cast<uint32_t>(now.tv_nsec / 1000000), static_cast<int32_t>(local.tm_gmtoff / 60)};
}

size_t FullPath(const char* path, char* out, size_t room) {
  std::string full = path;
  if (full.empty() || full[0] != '/') {
    char* folder = getcwd(nullptr, 0);
    if (!folder) return 0;
    full = std::string(folder) + (strcmp(folder, "/") == 0 ? "" : "/") + full;
    free(folder);
  }
  if (full.size() <= room) memcpy(out, full.data(), full.size());
  return full.size();
}

void CloseProcessHandle(void*) {}

bool ExpandVariables(const char* text, char* out, size_t room, size_t* needed) {
  // Past four bytes a character, no text fits Windows' 32,767 characters.
  Text expanded;
  const bool fits = ExpandPercentNames(
      TextFromZeroTerminated(text), [](const char* name) -> const char* { return getenv(name); },
      4 * 32767, &expanded);
  *needed = expanded.Length();
  if (*needed <= room) memcpy(out, expanded.Bytes(), *needed);
  return fits;
}

// An executable regular file; a desktop entry marked executable is still the launcher's to run.
bool StartsAsProgram(const char* file, const char* folder) {
  const std::string path = posix::InFolder(file, folder);
  return !posix::IsDesktopEntry(path) && posix::IsExecutableFile(path.c_str());
}

uint32_t LastErrorCode() { return last_error; }

bool SlashOptionsNeedSeparator() { return true; }
bool BackslashesEscapeQuotes() { return false; }

void EndProcess(uint32_t code) {
  ReapEnded();
  fflush(stdout);
  fflush(stderr);
  _exit(static_cast<int>(code));
}

}  // namespace platform
