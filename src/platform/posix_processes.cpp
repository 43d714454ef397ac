// The Linux port's view of the programs that run: /proc, where each process's exe link names
// the file of its image, and the same user's processes are the ones a desktop session has.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix.h"

namespace platform {
namespace {

// The target of <pid>/exe in the folder (/proc): the bytes it needs, written to out only when
// they fit.
size_t ExeLink(int folder, const char* process_id, char* out, size_t room) {
  char link[32], target[PATH_MAX];
  snprintf(link, sizeof link, "%s/exe", process_id);
  const ssize_t length = readlinkat(folder, link, target, sizeof target);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return 0;
  if (static_cast<size_t>(length) <= room) memcpy(out, target, static_cast<size_t>(length));
  return static_cast<size_t>(length);
}

}  // namespace

bool NextProcess(void** walk, uint32_t* process_id, char* name, size_t room) {
  DIR* proc = static_cast<DIR*>(*walk);
  if (!proc && !(proc = opendir("/proc"))) return false;
  *walk = proc;
  // One call a process, from the folder already open; another user's link is not readable.
  const int folder = dirfd(proc);
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const unsigned long id = strtoul(entry->d_name, &end, 10);
    if (end == entry->d_name || *end || id > UINT32_MAX) continue;  // not a process
    *process_id = static_cast<uint32_t>(id);
    name[0] = 0;
    char image[PATH_MAX];
    const size_t length = ExeLink(folder, entry->d_name, image, sizeof image - 1);
    image[length] = 0;
    const char* file = strrchr(image, '/');
    file = file ? file + 1 : image;
    if (strlen(file) < room) memcpy(name, file, strlen(file) + 1);
    return true;
  }
  closedir(proc);
  *walk = nullptr;
  return false;
}

uint32_t ProcessSession(uint32_t process_id) {
  char folder[32];
  snprintf(folder, sizeof folder, "/proc/%u", process_id);
  struct stat info;
  return stat(folder, &info) == 0 ? static_cast<uint32_t>(info.st_uid) : ~0u;
}

uint32_t OwnSession() { return static_cast<uint32_t>(getuid()); }

size_t ProcessImage(uint32_t process_id, char* out, size_t room) {
  char name[16];
  snprintf(name, sizeof name, "%u", process_id);
  const int folder = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const size_t length = folder < 0 ? 0 : ExeLink(folder, name, out, room);
  if (folder >= 0) close(folder);
  return length;
}

// realpath: with a merged /usr, /bin/sleep runs as /usr/bin/sleep. A file that is no executable
// (a document) is no image, and spares the walk of every process.
size_t ImagePath(const char* path, char* out, size_t room) {
  char* real = realpath(path, nullptr);
  const size_t length = real && posix::IsExecutableFile(real) ? strlen(real) : 0;
  if (length > 0 && length <= room) memcpy(out, real, length);
  free(real);
  return length;
}

bool SameFileName(const char* a, const char* b) { return strcmp(a, b) == 0; }

}  // namespace platform
