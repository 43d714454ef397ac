// The Linux port. Arguments come from argv as the invoking shell split them; programs are
// started with posix_spawnp, never through a shell; documents go to xdg-open; associations
// come from GIO. Linux has no input-idle, so the wait returns at once.
#include <errno.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "runtime/arguments.h"

extern char** environ;

namespace platform {
namespace {

int argument_count = 0;
char** arguments = nullptr;
uint32_t last_error = 0;

[[noreturn]] void OutOfMemory() { EndProcess(203); }

// glibc hands argc and argv to the initialisers of the main program, so the entry point
// needs to pass nothing along.
void Start(int argc, char** argv, char**) {
  argument_count = argc;
  arguments = argv;
  std::set_new_handler(OutOfMemory);
  // Started programs are never waited for; with SIGCHLD ignored the kernel reaps them, so
  // none is left a zombie. Each child gets the default back (see Spawn).
  signal(SIGCHLD, SIG_IGN);
}
__attribute__((section(".init_array"), used)) void (*start)(int, char**, char**) = Start;

// The error codes corvane documents, the same on both systems.
uint32_t WindowsCode(int error, const char* path) {
  switch (error) {
    case ENOENT: {
      // A missing folder is told apart from a missing file, as Windows does.
      std::string folder(path);
      size_t slash = folder.rfind('/');
      if (slash == std::string::npos || slash == 0) return 2;
      folder.resize(slash);
      struct stat info;
      return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? 2 : 3;
    }
    case ENOTDIR: return 3;
    case EACCES: case EPERM: case EISDIR: return 5;
    case ENAMETOOLONG: return 206;
    case EMFILE: case ENFILE: return 4;
    case ENOMEM: return 8;
    default: return static_cast<uint32_t>(error);
  }
}

// The program and its arguments; false (with one line on stderr) when it could not start.
bool Spawn(const std::vector<std::string>& words, void** process) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  int error = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    fprintf(stderr, "corvane: cannot start %s: %s\n", argv[0], strerror(error));
    last_error = WindowsCode(error, argv[0]);
    return false;
  }
  *process = reinterpret_cast<void*>(static_cast<intptr_t>(pid));
  return true;
}

}  // namespace

const char* RawCommandLine() { return nullptr; }
int SplitArgumentCount() { return argument_count > 0 ? argument_count - 1 : 0; }
const char* SplitArgument(int index) {
  return index >= 0 && index < argument_count && arguments[index] ? arguments[index] : "";
}

uint32_t ModuleFileName(char* buffer, uint32_t room) {
  ssize_t length = readlink("/proc/self/exe", buffer, room);
  if (length <= 0) return 0;
  if (static_cast<uint32_t>(length) >= room) length = room - 1;  // cut, as Windows does
  buffer[length] = 0;
  return static_cast<uint32_t>(length);
}

void ShowMessage(const char* text, const char*, uint32_t) { fprintf(stderr, "%s\n", text); }

bool ShellExecuteRequest(ShellExecuteRecord* record) {
  std::vector<std::string> words;
  if (record->lpParameters) {
    words.push_back(record->lpFile);
    // The same splitting corvane applies to its own command line; no shell ever sees it.
    size_t position = 0;
    for (;;) {
      Text word = NextArgument(record->lpParameters, &position);
      if (word.Empty()) break;
      words.emplace_back(word.Bytes(), word.Length());
    }
  } else {
    std::string target = record->lpFile;
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
      target = target.substr(1, target.size() - 2);
    words = {"xdg-open", target};
  }
  if (words[0].empty()) {
    fprintf(stderr, "corvane: cannot start an empty program name\n");
    last_error = 2;
    return false;
  }
  return Spawn(words, &record->hProcess);
}

void WaitUntilInputIdle(void*, uint32_t) {}

void CloseProcessHandle(void*) {}

uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result) {
  std::string path = file;
  if (path.empty()) return 2;
  if (path[0] != '/' && *directory == 0) {
    char* here = getcwd(nullptr, 0);
    if (here) path = std::string(here) + "/" + path;
    free(here);
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 2;  // file not found
  uintptr_t code = 31;  // no association
  GFile* document = g_file_new_for_path(path.c_str());
  GFileInfo* details = g_file_query_info(document, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                         G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
  const char* type = details ? g_file_info_get_content_type(details) : nullptr;
  GAppInfo* application = type ? g_app_info_get_default_for_type(type, FALSE) : nullptr;
  const char* executable = application ? g_app_info_get_executable(application) : nullptr;
  char* program = executable ? g_find_program_in_path(executable) : nullptr;
  if (program && strlen(program) < 261) {
    strcpy(result, program);
    code = 42;
  }
  g_free(program);
  if (application) g_object_unref(application);
  if (details) g_object_unref(details);
  g_object_unref(document);
  return code;
}

bool OpenForReading(const char* path, void** file) {
  int descriptor = open(path, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    last_error = WindowsCode(errno, path);
    *file = nullptr;
    return false;
  }
  *file = reinterpret_cast<void*>(static_cast<intptr_t>(descriptor));
  return true;
}

bool ReadBytes(void* file, char* buffer, uint32_t room, uint32_t* count) {
  int descriptor = static_cast<int>(reinterpret_cast<intptr_t>(file));
  ssize_t got;
  do got = read(descriptor, buffer, room);
  while (got < 0 && errno == EINTR);
  if (got < 0) {
    last_error = WindowsCode(errno, "");
    *count = 0;
    return false;
  }
  *count = static_cast<uint32_t>(got);
  return true;
}

bool CloseFile(void* file) {
  if (close(static_cast<int>(reinterpret_cast<intptr_t>(file))) == 0) return true;
  last_error = WindowsCode(errno, "");
  return false;
}

uint32_t LastErrorCode() { return last_error; }

void EndProcess(uint32_t code) {
  fflush(stdout);
  _exit(static_cast<int>(code));
}

}  // namespace platform
