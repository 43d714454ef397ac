// The Linux port's files: the list, read forward, and the run log, appended to by several runs at
// once.
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix.h"

namespace platform {

using posix::CodeOf;
using posix::SetLastErrorCode;

namespace {

// The list is read from corvane's own standard input: a started program that inherited it
// would eat the entries still to come.
bool list_on_standard_input = false;

// A missing folder is told apart from a missing file, as Windows does.
uint32_t OpenFailureCode(int error, const char* path) {
  if (error != ENOENT) return CodeOf(error);
  std::string folder(path);
  size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return 2;
  folder.resize(slash == 0 ? 1 : slash);
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? 2 : 3;
}

bool NamesStandardInput(const char* path) {
  for (const char* name : {"/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"})
    if (strcmp(path, name) == 0) return true;
  return false;
}

}  // namespace

namespace posix {

bool ListOnStandardInput() { return list_on_standard_input; }

}  // namespace posix

bool OpenForReading(const char* path, void** file) {
  *file = nullptr;
  // Read-only, never handed to a started program, never made the controlling terminal.
  int descriptor = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) {
    SetLastErrorCode(OpenFailureCode(errno, path));
    return false;
  }
  // Windows refuses to open a folder as a file; Linux would open it and fail every read.
  struct stat info;
  const bool known = fstat(descriptor, &info) == 0;
  if (known && S_ISDIR(info.st_mode)) {
    close(descriptor);
    SetLastErrorCode(CodeOf(EISDIR));
    return false;
  }
  // The same pipe, terminal or file as standard input, whichever name it was opened by; or
  // standard input itself, when corvane was started without one and the list took its place.
  struct stat input;
  list_on_standard_input = descriptor == 0 || NamesStandardInput(path) ||
                           (known && fstat(0, &input) == 0 && input.st_dev == info.st_dev &&
                            input.st_ino == info.st_ino);
  *file = reinterpret_cast<void*>(static_cast<intptr_t>(descriptor));
  return true;
}

bool OpenForAppending(const char* path, void** file) {
  *file = nullptr;
  int descriptor = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (descriptor < 0) {
    SetLastErrorCode(OpenFailureCode(errno, path));
    return false;
  }
  *file = reinterpret_cast<void*>(static_cast<intptr_t>(descriptor));
  return true;
}

bool EndsWithLineEnd(const char* path) {
  // Never waits for a writer: a FIFO has no end to read.
  const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) return true;
  struct stat info;
  char last = '\n';
  if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      pread(descriptor, &last, 1, info.st_size - 1) != 1)
    last = '\n';  // unreadable: nothing to mend
  close(descriptor);
  return last == '\n';
}

bool IsSameFile(void* file, const char* path) {
  struct stat open_file, named;
  return fstat(static_cast<int>(reinterpret_cast<intptr_t>(file)), &open_file) == 0 &&
         stat(path, &named) == 0 && open_file.st_dev == named.st_dev &&
         open_file.st_ino == named.st_ino;
}

bool AppendLine(void* file, const char* text, size_t length) {
  const int descriptor = static_cast<int>(reinterpret_cast<intptr_t>(file));
  std::string line(text, length);
  line += '\n';
  // One write, so that no other run's record comes between its parts.
  ssize_t written;
  do written = write(descriptor, line.data(), line.size());
  while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(line.size())) return true;
  if (written >= 0) {
    // Cut short (a full disk, the file-size limit): the rest, only to learn why.
    const size_t rest = line.size() - static_cast<size_t>(written);
    const ssize_t more = write(descriptor, line.data() + written, rest);
    if (more == static_cast<ssize_t>(rest)) return true;
    if (more >= 0) errno = ENOSPC;
  }
  SetLastErrorCode(CodeOf(errno));
  return false;
}

bool ReadBytes(void* file, char* buffer, uint32_t room, uint32_t* count) {
  int descriptor = static_cast<int>(reinterpret_cast<intptr_t>(file));
  ssize_t got;
  do got = read(descriptor, buffer, room);
  while (got < 0 && errno == EINTR);
  if (got < 0) {
    SetLastErrorCode(CodeOf(errno));
    *count = 0;
    return false;
  }
  *count = static_cast<uint32_t>(got);
  return true;
}

bool CloseFile(void* file) {
  // Linux has released the descriptor even when close reports EINTR; retrying could close
  // another one.
  int descriptor = static_cast<int>(reinterpret_cast<intptr_t>(file));
  if (close(descriptor) == 0 || errno == EINTR) return true;
  SetLastErrorCode(CodeOf(errno));
  return false;
}

}  // namespace platform
