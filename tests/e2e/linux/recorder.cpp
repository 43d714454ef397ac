// Stands in for every program corvane starts (the named program, the associated one, and
// xdg-open): appends one line per start to $CORVANE_RECORD_LOG, tab-separated:
//   open descriptors, SIGCHLD and SIGPIPE disposition, argv[0], argv[1], ...
// with every byte outside printable ASCII, the tab and the backslash written as \xHH.
// With $CORVANE_RECORD_HOLD set it then stays alive until that file exists.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Escaped(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 32 || c >= 127 || c == '\\') {
      char hex[5];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Read before the log is opened, so only what the process was started with shows.
std::string OpenDescriptors() {
  std::vector<int> found;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return "?";
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    int fd = atoi(e->d_name);
    if (fd != dirfd(dir)) found.push_back(fd);
  }
  closedir(dir);
  std::sort(found.begin(), found.end());
  std::string out;
  for (int fd : found) out += (out.empty() ? "" : ",") + std::to_string(fd);
  return out;
}

// "default" when SIGCHLD and SIGPIPE both have the handling a program started from a shell
// expects; else how the first that does not is handled. corvane itself changes both.
const char* ChildSignalDisposition() {
  for (int signal : {SIGCHLD, SIGPIPE}) {
    struct sigaction current;
    if (sigaction(signal, nullptr, &current) != 0) return "?";
    if (current.sa_handler == SIG_IGN) return "ignored";
    if (current.sa_handler != SIG_DFL) return "handled";
  }
  return "default";
}

void HoldUntil(const char* path) {
  struct stat info;
  // Bounded, so a test that fails half-way leaves nothing running for long; yet five minutes,
  // far longer than a test waits without progress, so that a test sees a hold that lasts.
  for (int i = 0; i < 30000 && stat(path, &info) != 0; ++i) {
    timespec pause = {0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string line = OpenDescriptors() + "\t" + ChildSignalDisposition();
  for (int i = 0; i < argc; ++i) line += "\t" + Escaped(argv[i]);
  line += "\n";
  const char* log = getenv("CORVANE_RECORD_LOG");
  if (!log) return 2;
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 3;
  // One write per line: starts that run side by side never mix their lines.
  if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 4;
  close(fd);
  if (const char* hold = getenv("CORVANE_RECORD_HOLD")) HoldUntil(hold);
  return 0;
}
